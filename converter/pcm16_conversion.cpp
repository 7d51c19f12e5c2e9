// The conversion itself: the samples go through in fixed blocks into a temporary sibling of the
// output, whose header is completed at the end; the sibling is renamed over the output only once
// it is complete and flushed. 8- and 16-bit PCM that keeps its channels and rate is widened or
// copied exactly; everything else goes through float: downmix, resampling, TPDF dither.
#include "pcm16_conversion.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "downmix.h"
#include "resampler.h"
#include "sample_decoder.h"
#include "tolvo/wav/wav_kind.h"
#include "tolvo/wav/wav_layout.h"
#include "tpdf_dither.h"

namespace tolvo::converter {
namespace {

// Samples go through in blocks of about this many input bytes (at least one frame), whatever the
// channel count, so memory stays flat.
constexpr size_t kBlockBytes = 256 * 1024;

// A file beside the output that is removed unless it was committed by renaming it into place.
class TemporarySibling {
 public:
  explicit TemporarySibling(platform::FileSystem& fs) : fs_(fs) {}
  TemporarySibling(const TemporarySibling&) = delete;
  TemporarySibling& operator=(const TemporarySibling&) = delete;
  ~TemporarySibling() {
    if (!path_.empty()) fs_.Remove(path_.c_str());
  }
  platform::IoStatus Create(const std::string& finalPath) {
    const size_t slash = finalPath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : finalPath.substr(0, slash));
    platform::IoResult<std::string> made = fs_.MakeTempFile(folder, ".snd-partial-");
    if (!made) return made.error();
    path_ = std::move(*made);
    return {};
  }
  const std::string& path() const { return path_; }
  platform::IoStatus CommitAs(const std::string& finalPath) {
    platform::IoStatus status = fs_.Rename(path_.c_str(), finalPath.c_str());
    if (status) path_.clear();
    return status;
  }

 private:
  platform::FileSystem& fs_;
  std::string path_;
};

std::string ErrorText(const char* what, const platform::IoError& error) {
  return std::string(what) + ": " + std::strerror(error.number);
}

bool Fail(std::string* problem, std::string text) {
  *problem = std::move(text);
  return false;
}

// The output's samples: written after a header that is completed once their count is known.
class Pcm16Writer {
 public:
  Pcm16Writer(platform::File& out, int channels) : out_(out), channels_(channels) {}
  bool Write(const uint8_t* bytes, size_t count, std::string* problem) {
    bytes_ += count;
    if (bytes_ > wav::kMaxCanonicalDataBytes) {
      return Fail(problem, "the output would be too long for a 16-bit WAV file");
    }
    if (out_.WriteFull(bytes, count) != static_cast<int64_t>(count)) {
      return Fail(problem, "cannot write the output (disk full?)");
    }
    return true;
  }
  uint64_t bytes() const { return bytes_; }
  uint64_t frames() const { return bytes_ / (2u * channels_); }

 private:
  platform::File& out_;
  int channels_;
  uint64_t bytes_ = 0;
};

// Reads whole frames of the input's samples, block by block, until the data ends.
class FrameReader {
 public:
  FrameReader(platform::File& in, const wav::WavLayout& layout)
      : in_(in),
        frameBytes_(layout.format.blockAlign),
        blockFrames_(std::max<size_t>(1, kBlockBytes / frameBytes_)),
        framesLeft_(layout.dataBytes / layout.format.blockAlign),
        block_(blockFrames_ * frameBytes_) {}
  uint64_t frames() const { return framesLeft_; }
  size_t blockFrames() const { return blockFrames_; }
  // The frames read into block(), 0 at the end, -1 when the file ends early or cannot be read.
  int64_t Next() {
    if (framesLeft_ == 0) return 0;
    const size_t frames = framesLeft_ < blockFrames_ ? framesLeft_ : blockFrames_;
    const int64_t got = in_.ReadFull(block_.data(), frames * frameBytes_);
    if (got != static_cast<int64_t>(frames * frameBytes_)) return -1;
    framesLeft_ -= frames;
    return static_cast<int64_t>(frames);
  }
  const uint8_t* block() const { return block_.data(); }

 private:
  platform::File& in_;
  size_t frameBytes_;
  size_t blockFrames_;
  uint64_t framesLeft_;
  std::vector<uint8_t> block_;
};

// 8- and 16-bit PCM that keeps its channels and rate: exact, no dither.
bool CopyExactly(FrameReader& reader, const wav::WavFormat& format, Pcm16Writer& writer,
                 std::string* problem) {
  const bool widen = format.bitsPerSample == 8;
  std::vector<uint8_t> wide(widen ? 2 * reader.blockFrames() * format.channels : 0);
  for (int64_t frames = reader.Next(); frames != 0; frames = reader.Next()) {
    if (frames < 0) return Fail(problem, "cannot read the samples");
    const size_t count = static_cast<size_t>(frames) * format.channels;
    const uint8_t* bytes = reader.block();
    if (widen) {
      WidenPcm8(reader.block(), count, wide.data());
      bytes = wide.data();
    }
    if (!writer.Write(bytes, 2 * count, problem)) return false;
  }
  return true;
}

// Everything else: decode to float, downmix, resample when the rate is not an MPEG rate, dither.
bool ConvertThroughFloat(FrameReader& reader, const wav::WavFormat& format,
                         const OutputFormat& target, Pcm16Writer& writer, std::string* problem) {
  const wav::SampleCoding coding = wav::CodingOf(format);
  const Downmix downmix(format.channels, format.channelMask);
  std::unique_ptr<Resampler> resampler;
  if (target.sampleRate != format.sampleRate) {
    resampler = std::make_unique<Resampler>(format.sampleRate, target.sampleRate, target.channels);
    if (!resampler->error().empty()) return Fail(problem, "resampler: " + resampler->error());
  }
  std::vector<float> samples(reader.blockFrames() * format.channels);
  std::vector<uint8_t> pcm;
  TpdfQuantizer quantizer;
  auto emit = [&](const float* mixed, size_t frames) {
    const size_t count = frames * target.channels;
    if (pcm.size() < 2 * count) pcm.resize(2 * count);
    quantizer.Quantize(mixed, count, pcm.data());
    return writer.Write(pcm.data(), 2 * count, problem);
  };
  for (int64_t frames = reader.Next(); frames != 0; frames = reader.Next()) {
    if (frames < 0) return Fail(problem, "cannot read the samples");
    const size_t n = static_cast<size_t>(frames);
    DecodeSamples(reader.block(), n * format.channels, coding, format.bitsPerSample,
                  samples.data());
    downmix.Apply(samples.data(), n, samples.data());
    const bool ok =
        resampler ? resampler->Process(samples.data(), n, emit) : emit(samples.data(), n);
    if (!ok) return problem->empty() ? Fail(problem, "resampler: " + resampler->error()) : false;
  }
  if (resampler && !resampler->Process(nullptr, 0, emit)) {
    return problem->empty() ? Fail(problem, "resampler: " + resampler->error()) : false;
  }
  return true;
}

}  // namespace

OutputFormat OutputFormatFor(const wav::WavFormat& input) {
  return {input.channels > 2 ? 2 : input.channels, wav::NearestMpegSampleRate(input.sampleRate)};
}

void WidenPcm8(const uint8_t* in, size_t count, uint8_t* out) {
  for (size_t i = 0; i < count; ++i) {
    const int16_t sample = static_cast<int16_t>((in[i] - 128) * 256);
    wav::WriteLe16(out + 2 * i, static_cast<uint16_t>(sample));
  }
}

bool ConvertWavToPcm16(const std::string& inputPath, const std::string& outputPath,
                       ConversionSummary* summary, std::string* problem, platform::FileSystem& fs) {
  if (outputPath.empty()) return Fail(problem, "no output file named");
  platform::IoError error;
  platform::File in =
      platform::File::Open(fs, inputPath.c_str(), platform::OpenMode::kRead, &error);
  if (!in.IsOpen()) return Fail(problem, ErrorText("cannot open the input", error));
  const platform::IoResult<platform::FileInfo> inputInfo = fs.StatFd(in.fd());
  if (!platform::IsRegularFile(inputInfo)) {
    return Fail(problem, "the input is not a regular file");
  }
  const int64_t size = in.Size();
  if (size < 0) return Fail(problem, "cannot tell the input's size");
  wav::FileSource<platform::File> source(in);
  const wav::WavLayout layout = wav::WalkWav(source, static_cast<uint64_t>(size));
  if (!wav::ConversionProblem(layout).empty()) return Fail(problem, wav::DescribeWav(layout));
  const wav::WavFormat& format = layout.format;
  const OutputFormat target = OutputFormatFor(format);

  TemporarySibling partial(fs);
  if (platform::IoStatus status = partial.Create(outputPath); !status) {
    return Fail(problem, ErrorText("cannot create a file beside the output", status.error()));
  }
  platform::File out =
      platform::File::Open(fs, partial.path().c_str(), platform::OpenMode::kCreateTruncate, &error);
  if (!out.IsOpen()) return Fail(problem, ErrorText("cannot open the output", error));
  auto writeHeader = [&](uint32_t dataBytes) {
    const auto header = wav::EncodeCanonicalHeader(static_cast<uint16_t>(target.channels),
                                                   target.sampleRate, 16, dataBytes);
    return out.SeekTo(0) &&
           out.WriteFull(header.data(), header.size()) == static_cast<int64_t>(header.size());
  };
  if (!writeHeader(0)) return Fail(problem, "cannot write the output (disk full?)");

  if (!in.SeekTo(static_cast<int64_t>(layout.dataOffset))) {
    return Fail(problem, "cannot reach the samples");
  }
  FrameReader reader(in, layout);
  const uint64_t inputFrames = reader.frames();
  Pcm16Writer writer(out, target.channels);
  const wav::SampleCoding coding = wav::CodingOf(format);
  const bool exact = coding == wav::SampleCoding::kInteger &&
                     (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
                     format.channels <= 2 && target.sampleRate == format.sampleRate;
  const bool converted = exact ? CopyExactly(reader, format, writer, problem)
                               : ConvertThroughFloat(reader, format, target, writer, problem);
  if (!converted) return false;
  if (!writeHeader(static_cast<uint32_t>(writer.bytes())) || !out.Sync() || !out.Close()) {
    return Fail(problem, "cannot write the output (disk full?)");
  }

  // The copy is as private as its source: the input's read and write bits, the owner's always.
  fs.SetMode(partial.path().c_str(), (inputInfo->mode & 0666u) | 0600u);
  if (platform::IoStatus status = partial.CommitAs(outputPath); !status) {
    return Fail(problem, ErrorText("cannot put the output in place", status.error()));
  }
  summary->input = layout;
  summary->inputFrames = inputFrames;
  summary->outputChannels = target.channels;
  summary->outputRate = target.sampleRate;
  summary->outputFrames = writer.frames();
  return true;
}

}  // namespace tolvo::converter
