// The --help texts; the exit statuses listed here are those of tool_status.h.
#include "help_texts.h"

namespace tolvo::tool {

#define TOLVO_EXIT_STATUSES                                            \
  "Exit status:\n"                                                     \
  "  0    success\n"                                                   \
  "  1    the operation failed (the message names the file and why)\n" \
  "  2    bad command line (unknown option, missing or bad value)\n"   \
  "  130  interrupted with Ctrl-C\n"

const char* const kMainHelp =
    "Usage: tolvo <command> [options]\n"
    "Encodes WAV files to MP3 and edits ID3 tags through the TolvoEncode control.\n"
    "\n"
    "Commands:\n"
    "  encode IN.wav OUT.mp3 [options]          encode one file, with a progress bar\n"
    "  encode -j N IN.wav... --out-dir DIR      encode many files, N at a time\n"
    "  tag show FILE                            show the ID3v1 and ID3v2 tags\n"
    "  tag set FILE [--v1] [--v2] --title ...   write tag fields\n"
    "  tag remove FILE [--v1] [--v2]            remove tags\n"
    "  genres                                   list the ID3v1 genres with their numbers\n"
    "  about                                    show the control's about box\n"
    "  register | unregister                    (un)register the control beside tolvo\n"
    "\n"
    "Options: --help (on every command), --version\n"
    "\n" TOLVO_EXIT_STATUSES;

const char* const kEncodeHelp =
    "Usage: tolvo encode IN.wav OUT.mp3 [options]\n"
    "       tolvo encode [-j N] IN.wav... --out-dir DIR [options]\n"
    "Encodes 8- or 16-bit PCM WAV files to MP3. Ctrl-C stops an encode; the MP3 keeps what was\n"
    "encoded until then.\n"
    "\n"
    "Options:\n"
    "  --bitrate N        32 40 48 56 64 80 96 112 128 160 192 224 256 320 (default 128)\n"
    "  --mode M           stereo | joint | dual | mono (default joint)\n"
    "  --quality Q        normal | low | high (default normal)\n"
    "  --vbr              variable bitrate, from --bitrate up to --vbr-max\n"
    "  --vbr-max N        highest VBR bitrate (default 320)\n"
    "  --priority P       1 idle, 2 normal, 3 high\n"
    "  -j, --jobs N       encode N files at a time in worker processes (default: one per core)\n"
    "  --out-dir DIR      folder for the MP3 files of a batch (NAME.wav gives DIR/NAME.mp3)\n"
    "\n" TOLVO_EXIT_STATUSES;

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

#undef TOLVO_EXIT_STATUSES

}  // namespace tolvo::tool
