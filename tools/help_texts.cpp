// The --help texts; the exit statuses listed here are those of tool_status.h.
#include "help_texts.h"

#include <cstring>

namespace tolvo::tool {

#define TOLVO_EXIT_STATUSES                                            \
  "Exit status:\n"                                                     \
  "  0    success\n"                                                   \
  "  1    the operation failed (the message names the file and why)\n" \
  "  2    bad command line (unknown option, missing or bad value)\n"   \
  "  130  interrupted with Ctrl-C\n"

#define TOLVO_COMMON_OPTIONS                                                \
  "Common options:\n"                                                       \
  "  -q, --quiet        errors only: no progress, no status lines\n"        \
  "  -v, --verbose      say more: the input's format, the settings used,\n" \
  "                     temporary files, the control's error numbers\n"     \
  "  -h, --help         this help\n"

const char* const kMainHelp =
    "Usage: tolvo [-q|-v] <command> [options]\n"
    "Encodes WAV files to MP3 and edits ID3 tags through the TolvoEncode control.\n"
    "\n"
    "Commands:\n"
    "  encode IN.wav OUT.mp3 [options]          encode one file (\"-\": standard input/output)\n"
    "  encode [-j N] IN... --out-dir DIR        encode many files and folders, N at a time\n"
    "  tag show FILE                            show the ID3v1 and ID3v2 tags\n"
    "  tag set FILE [--v1] [--v2] --title ...   write tag fields\n"
    "  tag remove FILE [--v1] [--v2]            remove tags\n"
    "  genres                                   list the ID3v1 genres with their numbers\n"
    "  about                                    show the control's about box\n"
    "  register | unregister                    (un)register the control beside tolvo\n"
    "  help COMMAND                             the help of a command ('tolvo help tag set')\n"
    "\n"
    "Options: -q, -v, --help (on every command), --version\n"
    "Status and progress go to standard error; standard output carries only data.\n"
    "\n" TOLVO_EXIT_STATUSES;

const char* const kEncodeHelp =
    "Usage: tolvo encode IN.wav OUT.mp3 [options]\n"
    "       tolvo encode [-j N] IN.wav|FOLDER... --out-dir DIR [--recursive] [options]\n"
    "Encodes PCM WAV files to MP3. Ctrl-C stops an encode; the MP3 keeps what was encoded until\n"
    "then (in a batch, the partial MP3s of the stopped files are removed).\n"
    "\n"
    "IN.wav may be \"-\" (standard input) and OUT.mp3 \"-\" or /dev/stdout (standard output):\n"
    "  sox in.flac -t wav - | tolvo encode - - > out.mp3\n"
    "Standard input is copied into a private temporary folder first, and the MP3 is made there\n"
    "and sent out complete, info frame included.\n"
    "\n"
    "Options:\n"
    "  -b, --bitrate N      32 40 48 56 64 80 96 112 128 160 192 224 256 320; default 128, or the\n"
    "                       highest the input's rate carries (160 at 16-24 kHz, 64 at 8-12 kHz)\n"
    "  -m, --mode M         stereo | joint | dual | mono (default joint)\n"
    "  --quality Q          normal | low | high (default normal)\n"
    "  --vbr                variable bitrate, from --bitrate (default 32) up to --vbr-max\n"
    "  --vbr-max N          highest VBR bitrate (default the highest the input carries)\n"
    "  -V, --vbr-quality Q  VBR quality 0 (best, largest) to 9 (smallest); implies --vbr\n"
    "  --priority P         1 idle, 2 normal, 3 high (3 needs root or CAP_SYS_NICE)\n"
    "  --threads N          threads that encode one file; 1 encodes it sequentially (default: one\n"
    "                       per core)\n"
    "  -j, --jobs N         encode N files at a time in worker processes (default: one per core)\n"
    "  -o, --out-dir DIR    folder for the MP3 files of a batch (NAME.wav gives DIR/NAME.mp3)\n"
    "  -r, --recursive      take the .wav files of the folders' subfolders too (DIR/SUB/NAME.mp3)\n"
    "\n"
    "Tags written into the MP3 after a successful encode (both ID3v1 and ID3v2):\n"
    "  --title T --artist A --album A --year Y --track N --genre NAME|NUMBER --comment C\n"
    "  --composer C --original-artist A --copyright C --url U --encoded-by E\n"
    "\n" TOLVO_COMMON_OPTIONS "\n" TOLVO_EXIT_STATUSES;

const char* const kTagHelp =
    "Usage: tolvo tag show FILE\n"
    "       tolvo tag set FILE [--v1] [--v2] [field options]\n"
    "       tolvo tag remove FILE [--v1] [--v2]\n"
    "See 'tolvo tag <show|set|remove> --help'.\n"
    "\n" TOLVO_EXIT_STATUSES;

const char* const kTagShowHelp =
    "Usage: tolvo tag show FILE\n"
    "Shows the ID3v1 and ID3v2 tags of an MP3 file. The file is only read.\n"
    "\n" TOLVO_EXIT_STATUSES;

const char* const kTagSetHelp =
    "Usage: tolvo tag set FILE [--v1] [--v2] [field options]\n"
    "Writes the given fields into the ID3v1 and/or ID3v2 tag (both when neither --v1 nor --v2 is\n"
    "given). Fields not given keep the values the tag already has.\n"
    "\n"
    "Field options:\n"
    "  --title T --artist A --album A --year Y --track N --comment C\n"
    "  --genre NAME|NUMBER     ID3v1 takes a name of 'tolvo genres' or its number;\n"
    "                          ID3v2 stores the name as text\n"
    "  ID3v2 only: --composer C --original-artist A --copyright C --url U --encoded-by E\n"
    "The year is four digits; the track a number from 1 to 255 (ID3v2 also takes N/TOTAL).\n"
    "ID3v1 stores Windows-1252 text of at most 30 characters per field (28 for the comment with a\n"
    "track number, 4 for the year); characters it cannot hold become '?', and tolvo warns when a\n"
    "text is stored cut or changed. ID3v2 stores every text whole.\n"
    "\n" TOLVO_EXIT_STATUSES;

const char* const kTagRemoveHelp =
    "Usage: tolvo tag remove FILE [--v1] [--v2]\n"
    "Removes the ID3v1 and/or ID3v2 tag (both when neither option is given) and says which it\n"
    "removed. A file without the tag is left as it is.\n"
    "\n" TOLVO_EXIT_STATUSES;

const char* const kGenresHelp =
    "Usage: tolvo genres\n"
    "Lists the ID3v1 genres with the numbers that 'tolvo tag set --genre' accepts.\n"
    "\n" TOLVO_EXIT_STATUSES;

const char* const kAboutHelp =
    "Usage: tolvo about\n"
    "Shows the control's about box (as text on standard error when there is no display).\n"
    "\n" TOLVO_EXIT_STATUSES;

const char* const kRegisterHelp =
    "Usage: tolvo register\n"
    "Registers the TolvoEncode control installed beside tolvo for the current user, so that\n"
    "programs can create it by its ProgID TolvoMP3Encode130.TolvoEncode. The registry file is\n"
    "$TOLVO_REGISTRY_FILE, else $XDG_DATA_HOME/tolvo/registry.ini.\n"
    "\n" TOLVO_EXIT_STATUSES;

const char* const kUnregisterHelp =
    "Usage: tolvo unregister\n"
    "Removes the registration of the TolvoEncode control.\n"
    "\n" TOLVO_EXIT_STATUSES;

#undef TOLVO_COMMON_OPTIONS
#undef TOLVO_EXIT_STATUSES

const char* HelpFor(const char* command) {
  struct Entry {
    const char* name;
    const char* const* text;
  };
  static const Entry kEntries[] = {
      {"", &kMainHelp},
      {"encode", &kEncodeHelp},
      {"tag", &kTagHelp},
      {"tag show", &kTagShowHelp},
      {"tag set", &kTagSetHelp},
      {"tag remove", &kTagRemoveHelp},
      {"genres", &kGenresHelp},
      {"about", &kAboutHelp},
      {"register", &kRegisterHelp},
      {"unregister", &kUnregisterHelp},
  };
  for (const Entry& entry : kEntries) {
    if (std::strcmp(entry.name, command) == 0) return *entry.text;
  }
  return nullptr;
}

}  // namespace tolvo::tool
