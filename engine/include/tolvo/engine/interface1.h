// The vocabulary of the engine's one entry point, for the engine itself and for every caller of
// interface1 (the control, tolvo, programs that call it directly): the command names, the job's
// states and results, and the result codes of each tag operation. Header-only, no code to link.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tolvo::engine {

// A command name, spelled once: the engine's zero-terminated 8-bit text, and the same ASCII
// letters as UTF-16 for callers whose texts are UTF-16 (the control's call bridge).
class CommandName {
 public:
  static constexpr size_t kRoom = 24;  // the longest name and its terminating zero fit

  // Implicit, like the conversions below: a name goes wherever a command text is expected.
  consteval CommandName(const char* name) {
    while (name[length_] != '\0') {
      // A name that is too long or not ASCII stops the build here.
      if (length_ + 1 >= kRoom || static_cast<unsigned char>(name[length_]) >= 0x80) {
        NotACommandName();
      }
      text_[length_] = name[length_];
      wide_[length_] = static_cast<char16_t>(name[length_]);
      ++length_;
    }
  }
  constexpr const char* text() const { return text_; }
  constexpr std::u16string_view wide() const { return {wide_, length_}; }
  constexpr operator const char*() const { return text_; }
  constexpr operator std::u16string_view() const { return wide(); }

 private:
  static void NotACommandName() {}  // not constexpr: reaching it is a compile-time error

  char text_[kRoom] = {};
  char16_t wide_[kRoom] = {};
  size_t length_ = 0;
};

namespace commands {

// Settings for the next encode, the job and its steering.
inline constexpr CommandName kPassFiles = "passfiles";  // input path, output path: starts a job
inline constexpr CommandName kBitrate = "bitrate";
inline constexpr CommandName kVbr = "vbr";
inline constexpr CommandName kVbrMaxBitrate = "vbrmaxbitrate";
// A channel mode of the encoder's configuration record (tolvo/encoder/be_stream.h).
inline constexpr CommandName kStereoMode = "stereomode";
// A quality preset of the encoder's configuration record.
inline constexpr CommandName kQuality = "quality";
inline constexpr CommandName kVbrQuality = "vbrquality";    // kBestVbrQuality to kLeastVbrQuality
inline constexpr CommandName kThreads = "threads";          // encoder workers, 0 one per core
inline constexpr CommandName kIntPriority = "intpriority";  // kPriority..., below
inline constexpr CommandName kIntReturn = "intreturn";      // the job state, below
inline constexpr CommandName kProgress = "progress";        // per cent of the input consumed
inline constexpr CommandName kPause = "pause";
inline constexpr CommandName kResume = "resume";
inline constexpr CommandName kCancel = "cancel";      // returns once the job has ended
inline constexpr CommandName kPassPath = "passpath";  // the folder of the converter program
inline constexpr CommandName kDefineTempFolder = "definetempfolder";  // for ID3v2 rewrites
inline constexpr CommandName kJobEventFd = "jobeventfd";  // a descriptor readable at a job's end
inline constexpr CommandName kCloseJobEventFd = "closejobeventfd";

// ID3v1: the file operations (first argument the MP3 path), the genre names (first argument the
// buffer, third the index) and the field set, one get and one set per field.
inline constexpr CommandName kGetId3v1 = "getid3v1";
inline constexpr CommandName kSetId3v1 = "setid3v1";
inline constexpr CommandName kRemoveId3v1 = "removeid3v1";
inline constexpr CommandName kGenerateGenre = "generategenre";
inline constexpr CommandName kV1Title = "v1Title";
inline constexpr CommandName kV1Artist = "v1Artist";
inline constexpr CommandName kV1Album = "v1Album";
inline constexpr CommandName kV1Year = "v1Year";
inline constexpr CommandName kV1Comment = "v1Comment";
inline constexpr CommandName kV1Track = "v1Track";  // answers the number
inline constexpr CommandName kV1Genre = "v1Genre";  // answers the number
inline constexpr CommandName kSetV1Title = "wv1Title";
inline constexpr CommandName kSetV1Artist = "wv1Artist";
inline constexpr CommandName kSetV1Album = "wv1Album";
inline constexpr CommandName kSetV1Year = "wv1Year";
// Send the track first: a nonzero track number leaves the comment 28 characters instead of 30.
inline constexpr CommandName kSetV1Comment = "wv1Comment";
inline constexpr CommandName kSetV1Track = "wv1Track";
inline constexpr CommandName kSetV1Genre = "wv1Genre";

// ID3v2: the file operations (first argument the MP3 path) and the release of the field set.
inline constexpr CommandName kGetId3v2 = "getid3v2";
inline constexpr CommandName kSetId3v2 = "setid3v2";
inline constexpr CommandName kRemoveId3v2 = "remove_id3v2_tag";
inline constexpr CommandName kV2Cleanup = "v2cleanup";

// The three commands of one ID3v2 field: its size (the answer), its text into a buffer of at
// least that size, and a new text.
struct Id3v2FieldCommands {
  CommandName size;
  CommandName get;
  CommandName set;
};
// In the order of the engine's field set, which is also the order a reader asks for them in.
inline constexpr Id3v2FieldCommands kId3v2Fields[] = {
    {"v2Composersize", "v2Composer", "wv2Composer"},
    {"v2OriginalArtistsize", "v2OriginalArtist", "wv2OriginalArtist"},
    {"v2Copyrightsize", "v2Copyright", "wv2Copyright"},
    {"v2URLsize", "v2URL", "wv2URL"},
    {"v2EncodedBysize", "v2EncodedBy", "wv2EncodedBy"},
    {"v2Commentsize", "v2Comment", "wv2Comment"},
    {"v2Genresize", "v2Genre", "wv2Genre"},
    {"v2Yearsize", "v2Year", "wv2Year"},
    {"v2Albumsize", "v2Album", "wv2Album"},
    {"v2Artistsize", "v2Artist", "wv2Artist"},
    {"v2Titlesize", "v2Title", "wv2Title"},
    {"v2Tracksize", "v2Track", "wv2Track"},
};

}  // namespace commands

// What a command answers when it refuses: "passfiles" while a job runs, "vbrquality" outside 0
// to 9, "closejobeventfd" with a descriptor the engine did not give out. Commands that store a
// setting or a field answer 0; a name that matches no command does nothing and answers 0.
inline constexpr int32_t kRefused = 1;

// The levels of "intpriority": the whole process's scheduling priority from the next job on.
inline constexpr int32_t kPriorityIdle = 1;
inline constexpr int32_t kPriorityNormal = 2;
inline constexpr int32_t kPriorityHigh = 3;

// The values of "bitrate" a job accepts, in kbit/s; any other ends the job with
// kJobInvalidBitrate, after the output file has been made.
inline constexpr std::array<int32_t, 14> kAllowedBitrates = {32,  40,  48,  56,  64,  80,  96,
                                                             112, 128, 160, 192, 224, 256, 320};

// The range of "vbrquality": 0 the best (largest) VBR stream, 9 the smallest.
inline constexpr int32_t kBestVbrQuality = 0;
inline constexpr int32_t kLeastVbrQuality = 9;

// What "intreturn" answers while a job runs; a finished job answers its result, below this,
// and before the first job the answer is 0.
inline constexpr int32_t kJobRunning = 1000;

// The results of a job: 0 or 100 plus a failure number.
enum JobResult : int32_t {
  kJobSucceeded = 0,
  kJobEncoderNotBound = 101,
  kJobInvalidWave = 102,
  kJobCannotOpenInput = 103,  // also: not a regular file, or not readable to its end
  // also: the output is the input (same device and inode), is no regular file, is read-only
  // (the owner's write bit, for root too), or another encode or a tag operation holds it
  kJobCannotCreateOutput = 104,
  kJobStreamRefused = 105,
  kJobEncoderFailed = 106,
  // a short write, a close of the output that lost data, or an output path that no longer names
  // the file the job wrote (removed or replaced meanwhile)
  kJobOutputWriteFailed = 107,
  kJobInvalidBitrate = 108,
  kJobInvalidQuality = 109,
  kJobMissingFileName = 110,
  kJobCannotCreateFolder = 111,
  kJobCancelled = 112,
  kJobOutOfResources = 113,  // no job thread, or no memory for the job's buffers
  kJobInvalidStereoMode = 120,
};

// The result codes of the tag operations. 0 is success for every one of them.

// "getid3v1", "setid3v1", "removeid3v1".
enum : int32_t {
  kId3v1Ok = 0,
  kId3v1CannotOpen = 1,      // read, write
  kId3v1CannotRead = 2,      // read: unreadable or no "TAG"; write: unreadable
  kId3v1TooShort = 3,        // read, write: fewer than 128 bytes
  kId3v1WriteReadOnly = 4,   // write: the owner's write bit is clear
  kId3v1WriteFailed = 5,     // write: the tag's bytes were not all stored (full disk, I/O error)
  kId3v1WriteNotMp3 = 10,    // write: another container, or no MPEG frame header
  kId3v1CannotCut = 1,       // remove: the file cannot be truncated
  kId3v1RemoveReadOnly = 3,  // remove: the owner's write bit is clear
};

// "getid3v2".
enum : int32_t {
  kId3v2ReadOk = 0,
  kId3v2NoUsableTag = 1,  // no tag, a tag larger than the file, or a text too long for the file
  kId3v2CannotReadTag = 2,
};

// "setid3v2". On any code but 0 the file is untouched and no temporary file is left.
enum : int32_t {
  kId3v2WriteOk = 0,
  kId3v2WriteReadOnly = 1,
  kId3v2WriteNoTempFile = 2,        // no temporary file can be made in the temporary folder
  kId3v2WriteCannotReadTag = 3,     // the old tag cannot be read in full
  kId3v2WriteCannotReopenTemp = 4,  // the temporary file cannot be reopened to write its header
  kId3v2WriteCannotReadMp3 = 5,     // the MP3 file cannot be opened or read
  kId3v2WriteCannotAppendTemp = 6,  // the temporary file cannot be opened for appending
  kId3v2WriteCannotReplace = 7,     // the finished file cannot replace the MP3 file
  kId3v2WriteFailed = 9,            // a write, flush or close of the temporary file failed
  kId3v2WriteNotMp3 = 10,           // another container, or no MPEG frame header
  kId3v2WriteCannotCarry = 13,  // a frame of the old tag (or the tag) cannot be carried faithfully
};

// "remove_id3v2_tag". On any code but 0 the file is untouched and no temporary file is left.
enum : int32_t {
  kId3v2RemoveOk = 0,  // removed, or the file had no tag (or does not exist)
  kId3v2RemoveReadOnly = 1,
  kId3v2RemoveNoTempFile = 2,        // no temporary file can be made in the temporary folder
  kId3v2RemoveCannotReadMp3 = 3,     // the MP3 file cannot be opened or read
  kId3v2RemoveCannotAppendTemp = 4,  // the temporary file cannot be opened for appending
  kId3v2RemoveCannotReplace = 5,     // the finished file cannot replace the MP3 file
  kId3v2RemoveWriteFailed = 6,       // a write, flush or close of the temporary file failed
};

// Every operation that changes a file ("setid3v1", "removeid3v1", "setid3v2",
// "remove_id3v2_tag") checks these first.
inline constexpr int32_t kTagFileLocked = 11;        // an encode holds the file
inline constexpr int32_t kTagFileNotPermitted = 12;  // the caller may not write the file

// The ID3v1 genre list: kGenreCount names indexed by the genre byte, the last one a single
// blank standing for "no genre" (what every byte past the list reads as).
inline constexpr int32_t kGenreCount = 149;
inline constexpr int32_t kNoGenre = kGenreCount - 1;
// The genre byte usually written for "no genre".
inline constexpr int32_t kNoGenreByte = 255;

}  // namespace tolvo::engine
