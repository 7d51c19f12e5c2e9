/* Tolvo.Encode: the TolvoEncode control as a GObject, for C and every GObject Introspection
 * language (Python, JavaScript, Vala, Lua...). */
#pragma once

#include <glib-object.h>

G_BEGIN_DECLS

/**
 * TolvoControlError:
 * @TOLVO_CONTROL_ERROR_FAILED: the control could not be created or a call failed for another
 *   reason; the message says why
 * @TOLVO_CONTROL_ERROR_WRONG_THREAD: the object was called from a thread other than the one
 *   that created it
 * @TOLVO_CONTROL_ERROR_NO_MAIN_CONTEXT: the object was created on a thread other than the main
 *   thread without a thread-default #GMainContext of its own
 * @TOLVO_CONTROL_ERROR_ANSWER_TOO_LONG: an answer of the engine was longer than its room (5006)
 * @TOLVO_CONTROL_ERROR_ENGINE_LIBRARY: the engine library cannot be loaded or has no entry
 *   point (5007)
 * @TOLVO_CONTROL_ERROR_ENCODER_LIBRARY: the encoder library cannot be loaded (5008)
 *
 * Failures of the control and of its engine host, in the `tolvo-control-error` domain. The three
 * errors of the engine host keep the control's numbers as their codes and its descriptions as
 * their messages. Failures of the encode itself and of the control's argument checks are no
 * #GError: they arrive through #TolvoEncode::error-code.
 */
typedef enum {
  TOLVO_CONTROL_ERROR_FAILED = 1,
  TOLVO_CONTROL_ERROR_WRONG_THREAD = 2,
  TOLVO_CONTROL_ERROR_NO_MAIN_CONTEXT = 3,
  TOLVO_CONTROL_ERROR_ANSWER_TOO_LONG = 5006,
  TOLVO_CONTROL_ERROR_ENGINE_LIBRARY = 5007,
  TOLVO_CONTROL_ERROR_ENCODER_LIBRARY = 5008,
} TolvoControlError;

#define TOLVO_CONTROL_ERROR (tolvo_control_error_quark())
#define TOLVO_TYPE_CONTROL_ERROR (tolvo_control_error_get_type())

/**
 * tolvo_control_error_quark:
 *
 * The domain of #TolvoControlError, named `tolvo-control-error`.
 *
 * Returns: the error domain
 */
GQuark tolvo_control_error_quark(void);
GType tolvo_control_error_get_type(void);

/**
 * TolvoEncode:
 *
 * One TolvoEncode control: encodes WAV files to MP3 on a background job and reads, writes and
 * removes ID3v1 and ID3v2 tags.
 *
 * The object belongs to the thread that creates it. Its encode is polled every 250 ms by a timer
 * on that thread's thread-default #GMainContext (the global default context on the main thread),
 * so the signals of an encode arrive only while that thread runs its main loop, and always on that
 * thread. Calls from other threads fail with %TOLVO_CONTROL_ERROR_WRONG_THREAD. A worker thread
 * pushes a context of its own (g_main_context_push_thread_default()) before creating the object.
 *
 * All objects of a process share one engine, so one encode runs at a time: an encode started
 * while another object's encode runs ends at once with error-code 9.
 *
 * Texts are UTF-8. Tag methods return the engine's result code (0 success); engine-host failures
 * are #GError<!-- -->s of the #TolvoControlError domain.
 */
#define TOLVO_TYPE_ENCODE (tolvo_encode_get_type())
G_DECLARE_FINAL_TYPE(TolvoEncode, tolvo_encode, TOLVO, ENCODE, GObject)

/**
 * TolvoEncode:control-library:
 *
 * The file of the TolvoEncode control library to host. %NULL (the default) hosts the one
 * installed with this library (in its `tolvo` subfolder, or beside it in a build tree), else the
 * class registered under the ProgID `TolvoMP3Encode130.TolvoEncode`. The control loads the engine
 * from the folder of this file.
 */

/**
 * TolvoEncode::error-code:
 * @self: the object that raised the signal
 * @number: the error number: 0 when an encode ended without error, 2 to 12 for the control's own
 *   checks, 101 to 120 for the job's failures, 255 for any other result
 * @description: the error's text, for example "No error " (with its trailing blank)
 *
 * Raised inside tolvo_encode_mp3_encode() and tolvo_encode_select_process_priority() when their
 * arguments are refused, and by the polling timer when an encode has ended, just before
 * #TolvoEncode::finished.
 */

/**
 * TolvoEncode::finished:
 * @self: the object that raised the signal
 *
 * An encode has ended, whatever its result (see the #TolvoEncode::error-code raised just before).
 * A #TolvoEncode::progress of 100 follows.
 */

/**
 * TolvoEncode::progress:
 * @self: the object that raised the signal
 * @percent: how much of the input has been encoded, 0 to 100
 *
 * Raised by the polling timer when the per-cent value changed, and with 100 after
 * #TolvoEncode::finished.
 */

/**
 * TolvoEncode::id3v1-genre-list:
 * @self: the object that raised the signal
 * @clear: %TRUE once at the start: the receiver empties its list
 * @genre: the next genre name (empty when @clear is %TRUE)
 *
 * Raised by tolvo_encode_generate_id3v1_genre(): once with @clear %TRUE, then once per genre
 * name in the order of their numbers (149 names, the last one " ").
 */

/**
 * tolvo_encode_new:
 * @error: return location for a #GError, or %NULL
 *
 * Creates the object and its control, owned by the calling thread.
 *
 * Returns: (transfer full): a new #TolvoEncode, or %NULL with @error set
 */
TolvoEncode* tolvo_encode_new(GError** error);

/**
 * tolvo_encode_new_for_library:
 * @control_library: (type filename): the file of the control library to host
 * @error: return location for a #GError, or %NULL
 *
 * Creates the object with the control of the library @control_library (see
 * #TolvoEncode:control-library).
 *
 * Returns: (transfer full): a new #TolvoEncode, or %NULL with @error set
 */
TolvoEncode* tolvo_encode_new_for_library(const gchar* control_library, GError** error);

/**
 * tolvo_encode_mp3_encode:
 * @self: a #TolvoEncode
 * @input_file: the WAV file to encode
 * @output_file: the MP3 file to write (its folders are made)
 * @bitrate: the bitrate in kbit/s, for example 128
 * @stereo_mode: "stereo", "joint", "dual" or "mono" (any other text is "stereo")
 * @mp3_quality: "normal", "low" or "high" (any other text is "normal")
 * @vbr: 1 for a variable bitrate, 0 for a constant one
 * @vbr_max_bitrate: the highest bitrate of a variable-bitrate encode, in kbit/s
 * @error: return location for a #GError, or %NULL
 *
 * Starts an encode on a background job and returns. Refused arguments raise
 * #TolvoEncode::error-code at once; otherwise #TolvoEncode::progress follows while the thread's
 * main loop runs, and the end brings #TolvoEncode::error-code, #TolvoEncode::finished and
 * #TolvoEncode::progress 100.
 *
 * Returns: (skip): %TRUE, or %FALSE with @error set
 */
gboolean tolvo_encode_mp3_encode(TolvoEncode* self, const gchar* input_file,
                                 const gchar* output_file, gint bitrate, const gchar* stereo_mode,
                                 const gchar* mp3_quality, gint vbr, gint vbr_max_bitrate,
                                 GError** error);

/**
 * tolvo_encode_mp3_encode_pause:
 * @self: a #TolvoEncode
 * @error: return location for a #GError, or %NULL
 *
 * Holds the running encode between two blocks until tolvo_encode_mp3_encode_resume().
 *
 * Returns: (skip): %TRUE, or %FALSE with @error set
 */
gboolean tolvo_encode_mp3_encode_pause(TolvoEncode* self, GError** error);

/**
 * tolvo_encode_mp3_encode_resume:
 * @self: a #TolvoEncode
 * @error: return location for a #GError, or %NULL
 *
 * Lets a paused encode go on.
 *
 * Returns: (skip): %TRUE, or %FALSE with @error set
 */
gboolean tolvo_encode_mp3_encode_resume(TolvoEncode* self, GError** error);

/**
 * tolvo_encode_mp3_encode_cancel:
 * @self: a #TolvoEncode
 * @error: return location for a #GError, or %NULL
 *
 * Stops the running encode and returns when it has stopped; the next tick of the main loop reports
 * its end with error-code 112 "User abort".
 *
 * Returns: (skip): %TRUE, or %FALSE with @error set
 */
gboolean tolvo_encode_mp3_encode_cancel(TolvoEncode* self, GError** error);

/**
 * tolvo_encode_select_process_priority:
 * @self: a #TolvoEncode
 * @new_level: 1 idle, 2 normal, 3 high; any other value raises error-code 12
 * @error: return location for a #GError, or %NULL
 *
 * Chooses the priority of the process for the next encode.
 *
 * Returns: (skip): %TRUE, or %FALSE with @error set
 */
gboolean tolvo_encode_select_process_priority(TolvoEncode* self, gint new_level, GError** error);

/**
 * tolvo_encode_read_id3_v1_tag:
 * @self: a #TolvoEncode
 * @filename: the MP3 file
 * @track: (out): the track number (0 when none)
 * @title: (out) (transfer full): the title
 * @artist: (out) (transfer full): the artist
 * @album: (out) (transfer full): the album
 * @year: (out) (transfer full): the year
 * @genre: (out): the genre number (see tolvo_encode_generate_id3v1_genre())
 * @comment: (out) (transfer full): the comment
 * @error: return location for a #GError, or %NULL
 *
 * Reads the ID3v1 tag. The texts come back as stored, blanks included. When the result is not 0
 * the texts are empty and the numbers 0.
 *
 * Returns: the engine's code: 0 read, else the reason it was not (2: the file has no ID3v1 tag)
 */
gint tolvo_encode_read_id3_v1_tag(TolvoEncode* self, const gchar* filename, gint* track,
                                  gchar** title, gchar** artist, gchar** album, gchar** year,
                                  gint* genre, gchar** comment, GError** error);

/**
 * tolvo_encode_write_id3_v1_tag:
 * @self: a #TolvoEncode
 * @filename: the MP3 file
 * @track: the track number (0: none, and the comment may take 30 characters instead of 28)
 * @title: the title (up to 30 characters)
 * @artist: the artist (up to 30 characters)
 * @album: the album (up to 30 characters)
 * @year: the year (up to 4 characters)
 * @genre: the genre number
 * @comment: the comment
 * @error: return location for a #GError, or %NULL
 *
 * Writes the ID3v1 tag (Windows-1252 text; a character it lacks becomes "?").
 *
 * Returns: the engine's code: 0 written
 */
gint tolvo_encode_write_id3_v1_tag(TolvoEncode* self, const gchar* filename, gint track,
                                   const gchar* title, const gchar* artist, const gchar* album,
                                   const gchar* year, gint genre, const gchar* comment,
                                   GError** error);

/**
 * tolvo_encode_remove_id3v1_tag:
 * @self: a #TolvoEncode
 * @filename: the MP3 file
 * @error: return location for a #GError, or %NULL
 *
 * Removes the ID3v1 tag.
 *
 * Returns: the engine's code: 0 removed
 */
gint tolvo_encode_remove_id3v1_tag(TolvoEncode* self, const gchar* filename, GError** error);

/**
 * tolvo_encode_generate_id3v1_genre:
 * @self: a #TolvoEncode
 * @error: return location for a #GError, or %NULL
 *
 * Raises #TolvoEncode::id3v1-genre-list once with clear %TRUE and then once per genre name,
 * before it returns.
 *
 * Returns: (skip): %TRUE, or %FALSE with @error set
 */
gboolean tolvo_encode_generate_id3v1_genre(TolvoEncode* self, GError** error);

/**
 * tolvo_encode_read_id3_v2_tag:
 * @self: a #TolvoEncode
 * @filename: the MP3 file
 * @track: (out) (transfer full): the track (TRCK)
 * @title: (out) (transfer full): the title (TIT2)
 * @artist: (out) (transfer full): the artist (TPE1)
 * @album: (out) (transfer full): the album (TALB)
 * @year: (out) (transfer full): the year (TYER)
 * @genre: (out) (transfer full): the genre (TCON), a reference "(n)" given as its name
 * @comment: (out) (transfer full): the comment (COMM)
 * @encoded_by: (out) (transfer full): who encoded it (TENC)
 * @url: (out) (transfer full): the web address (WXXX)
 * @copyright: (out) (transfer full): the copyright (TCOP)
 * @original_artist: (out) (transfer full): the original artist (TOPE)
 * @composer: (out) (transfer full): the composer (TCOM)
 * @error: return location for a #GError, or %NULL
 *
 * Reads the ID3v2 tag; a field the tag does not hold is empty. When the result is not 0 every
 * text is empty.
 *
 * Returns: the engine's code: 0 read, 1 the file has no ID3v2 tag or cannot be read
 */
gint tolvo_encode_read_id3_v2_tag(TolvoEncode* self, const gchar* filename, gchar** track,
                                  gchar** title, gchar** artist, gchar** album, gchar** year,
                                  gchar** genre, gchar** comment, gchar** encoded_by, gchar** url,
                                  gchar** copyright, gchar** original_artist, gchar** composer,
                                  GError** error);

/**
 * tolvo_encode_write_id3_v2_tag:
 * @self: a #TolvoEncode
 * @filename: the MP3 file
 * @track: the track
 * @title: the title
 * @artist: the artist
 * @album: the album
 * @year: the year
 * @genre: the genre
 * @comment: the comment
 * @encoded_by: who encoded it
 * @url: the web address
 * @copyright: the copyright
 * @original_artist: the original artist
 * @composer: the composer
 * @error: return location for a #GError, or %NULL
 *
 * Writes the ID3v2 tag with these twelve fields (an empty text gives an empty field); the other
 * frames of an existing tag are kept.
 *
 * Returns: the engine's code: 0 written
 */
gint tolvo_encode_write_id3_v2_tag(TolvoEncode* self, const gchar* filename, const gchar* track,
                                   const gchar* title, const gchar* artist, const gchar* album,
                                   const gchar* year, const gchar* genre, const gchar* comment,
                                   const gchar* encoded_by, const gchar* url,
                                   const gchar* copyright, const gchar* original_artist,
                                   const gchar* composer, GError** error);

/**
 * tolvo_encode_remove_id3v2_tag:
 * @self: a #TolvoEncode
 * @filename: the MP3 file
 * @error: return location for a #GError, or %NULL
 *
 * Removes the ID3v2 tag.
 *
 * Returns: the engine's code: 0 removed
 */
gint tolvo_encode_remove_id3v2_tag(TolvoEncode* self, const gchar* filename, GError** error);

/**
 * tolvo_encode_about:
 * @self: a #TolvoEncode
 * @error: return location for a #GError, or %NULL
 *
 * Shows the about box (a window when a display is available, else text on standard error) and
 * returns when it is closed; the thread's main context goes on meanwhile.
 *
 * Returns: (skip): %TRUE, or %FALSE with @error set
 */
gboolean tolvo_encode_about(TolvoEncode* self, GError** error);

/**
 * tolvo_encode_control_name:
 * @self: a #TolvoEncode
 * @error: return location for a #GError, or %NULL
 *
 * Returns: (transfer full): the control's title, "Tolvo MP3 Encoder OCX 1.3.0", or %NULL with
 *   @error set
 */
gchar* tolvo_encode_control_name(TolvoEncode* self, GError** error);

G_END_DECLS
