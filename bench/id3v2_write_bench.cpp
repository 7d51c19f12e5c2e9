// Cost of rewriting the ID3v2 tag of a large MP3 file whose 2.4 tag carries a 5 MB picture, as a
// ratio to one copy of the same file on the same file system flushed with fsync: a copy into a new
// file, and a copy over an existing file of that size (which, like every replacement, also frees
// the old file's blocks). The picture is carried frame by frame through a bounded buffer.
// Usage: id3v2_write_bench [folder to work in] [file size in MB]; goal: ratio <= 1.3.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/atomic_replace.h"
#include "core/engine_state.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_layout.h"
#include "id3/id3v2_reader.h"
#include "id3/id3v2_writer.h"
#include "tolvo/platform/file_system.h"

namespace {

using tolvo::platform::File;
using tolvo::platform::FileSystem;
using tolvo::platform::OpenMode;
using Clock = std::chrono::steady_clock;

constexpr size_t kBlock = 1 << 20;
constexpr int kTrials = 7;
constexpr double kGoal = 1.3;

// A folder of its own under base, removed with its files at the end.
class WorkFolder {
 public:
  WorkFolder(FileSystem& fs, const std::string& base) : fs_(fs) {
    const tolvo::platform::IoResult<std::string> name = fs.MakeTempFile(base, "tolvo-bench-");
    if (name && fs.Remove(name->c_str()) && fs.MakeFolder(name->c_str())) path_ = *name;
  }
  ~WorkFolder() {
    if (path_.empty()) return;
    for (const std::string& file : files_) fs_.Remove(file.c_str());
    std::remove(TempFolder().c_str());  // remove() takes empty folders too
    std::remove(path_.c_str());
  }
  bool ok() const { return !path_.empty(); }
  std::string TempFolder() const { return path_ + "/tmp"; }
  std::string File(const std::string& name) {
    files_.push_back(path_ + "/" + name);
    return files_.back();
  }

 private:
  FileSystem& fs_;
  std::string path_;
  std::vector<std::string> files_;
};

constexpr uint32_t kPictureBytes = 5u << 20;

// A 2.4 tag holding an APIC frame of kPictureBytes before the title.
std::vector<char> TagWithPicture() {
  using namespace tolvo::engine::id3v2;
  std::vector<char> frames;
  auto frame = [&frames](const char* id, const std::vector<char>& data) {
    uint8_t header[kFrameHeaderSize] = {};
    std::copy(id, id + kFrameIdLength, header);
    WriteSyncsafe(static_cast<uint32_t>(data.size()), header + kFrameSizeOffset);
    frames.insert(frames.end(), header, header + sizeof header);
    frames.insert(frames.end(), data.begin(), data.end());
  };
  std::vector<char> picture = {0, 'i', 'm', 'a', 'g', 'e', '/', 'j', 'p', 'e', 'g', 0, 3, 0};
  picture.resize(picture.size() + kPictureBytes, '\x5A');
  frame("APIC", picture);
  frame("TIT2", {0, 'O', 'l', 'd'});
  uint8_t header[kHeaderSize] = {'I', 'D', '3', kVersion24, 0, 0};
  WriteSyncsafe(static_cast<uint32_t>(frames.size()), header + kSizeOffset);
  frames.insert(frames.begin(), header, header + sizeof header);
  return frames;
}

// An MP3-like file: the tag, an MPEG frame header, then bytes that do not repeat within a block,
// written and flushed.
bool MakeBigFile(FileSystem& fs, const std::string& path, int64_t size) {
  File file = File::Open(fs, path.c_str(), OpenMode::kCreateTruncate);
  if (!file.IsOpen()) return false;
  const std::vector<char> tag = TagWithPicture();
  if (file.WriteFull(tag.data(), tag.size()) != static_cast<int64_t>(tag.size())) return false;
  size -= static_cast<int64_t>(tag.size());
  std::vector<char> block(kBlock);
  uint32_t x = 12345;
  for (char& c : block) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  const char mpegHeader[] = {'\xFF', '\xFB', '\x90', '\x64'};
  std::copy(std::begin(mpegHeader), std::end(mpegHeader), block.begin());
  for (int64_t done = 0; done < size; done += static_cast<int64_t>(kBlock)) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(size - done, kBlock));
    if (file.WriteFull(block.data(), chunk) != static_cast<int64_t>(chunk)) return false;
  }
  return file.Sync() && file.Close();
}

// The reference: copy the whole file and flush the copy.
bool CopyAndSync(FileSystem& fs, const std::string& from, const std::string& to) {
  File source = File::Open(fs, from.c_str(), OpenMode::kRead);
  File destination = File::Open(fs, to.c_str(), OpenMode::kCreateTruncate);
  if (!source.IsOpen() || !destination.IsOpen()) return false;
  std::vector<char> buffer(kBlock);
  const int64_t size = source.Size();
  if (tolvo::engine::CopyBytes(source, destination, size, buffer) !=
      tolvo::engine::CopyResult::kDone)
    return false;
  return destination.Sync() && destination.Close();
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tolvo::engine;
  FileSystem& fs = tolvo::platform::RealFileSystem();
  std::string base = argc > 1 ? argv[1] : tolvo::platform::SystemTempFolder();
  if (base.size() > 1 && base.back() == '/') base.pop_back();
  const int64_t megabytes = argc > 2 ? std::atoll(argv[2]) : 100;

  WorkFolder folder(fs, base);
  if (!folder.ok()) {
    std::fprintf(stderr, "cannot make a work folder in %s\n", base.c_str());
    return 1;
  }
  const std::string mp3 = folder.File("big.mp3");
  const std::string copy = folder.File("copy.mp3");
  const std::string tempFolder = folder.TempFolder();  // on the MP3's file system
  if (!fs.MakeFolder(tempFolder.c_str()) || !MakeBigFile(fs, mp3, megabytes << 20)) {
    std::fprintf(stderr, "cannot make the test file\n");
    return 1;
  }
  CopyPathField(State().tempFolder, tempFolder.c_str());
  SetId3v2FieldText(Id3v2Field::kArtist, "Benchmark");
  if (WriteId3v2(mp3.c_str()) != 0) return 1;  // our tag, the picture carried

  const std::string existing = folder.File("existing.mp3");
  if (!CopyAndSync(fs, mp3, existing)) return 1;
  std::vector<double> writes, copies, overwrites;
  for (int trial = 0; trial < kTrials; ++trial) {
    auto start = Clock::now();
    if (!CopyAndSync(fs, mp3, copy)) return 1;
    copies.push_back(Seconds(start));
    fs.Remove(copy.c_str());
    start = Clock::now();
    if (!CopyAndSync(fs, mp3, existing)) return 1;
    overwrites.push_back(Seconds(start));

    const std::string title = "Trial " + std::to_string(trial);
    SetId3v2FieldText(Id3v2Field::kTitle, title.c_str());
    start = Clock::now();
    if (int32_t result = WriteId3v2(mp3.c_str()); result != 0) {
      std::fprintf(stderr, "WriteId3v2 failed with %d\n", result);
      return 1;
    }
    writes.push_back(Seconds(start));
  }
  ReleaseId3v2Fields();
  if (Id3v2TagLength(mp3.c_str()) <= static_cast<int64_t>(kPictureBytes)) {
    std::fprintf(stderr, "the picture was not carried over\n");
    return 1;
  }

  const double write = Median(writes);
  std::printf("id3v2 tag write on a %lld MB file with a %u MB picture: %.0f ms (median of %d)\n",
              static_cast<long long>(megabytes), kPictureBytes >> 20, write * 1000, kTrials);
  for (const auto& [name, times] : {std::pair{"copy to a new file + fsync", &copies},
                                    std::pair{"copy over an existing file + fsync", &overwrites}}) {
    const double reference = Median(*times);
    const double ratio = write / reference;
    std::printf("  %-36s %5.0f ms  ratio %.2f (goal <= %.1f) %s\n", name, reference * 1000, ratio,
                kGoal, ratio <= kGoal ? "ok" : "OVER GOAL");
  }
  return 0;
}
