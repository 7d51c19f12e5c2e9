"""Tolvo.Encode from Python through GObject Introspection, against the built tree: an encode with
its signals in order, the control's errors through error-code, pause/resume/cancel, an ID3v2 round
trip judged by mutagen, the genre list, the engine host's GError, and objects on two threads."""
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import unittest
import wave

import gi

gi.require_version("Tolvo", "1.0")
from gi.repository import GLib, Tolvo  # noqa: E402
import mutagen.id3  # noqa: E402
import mutagen.mp3  # noqa: E402

OUT_DIR = os.environ["TOLVO_OUT_DIR"]
EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples")
PATIENCE_S = 30  # only bounds a failing test


def write_wav(path, seconds, rate=44100):
    frames = int(rate * seconds)
    ramp = b"".join(struct.pack("<hh", (i * 37) % 20000 - 10000, (i * 53) % 20000 - 10000)
                    for i in range(4410))
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes((ramp * (frames // 4410 + 1))[: frames * 4])
    return path


def run_until(done, context=None, timeout_s=PATIENCE_S):
    """Runs the thread's main context until done() holds or the time is up."""
    context = context or GLib.MainContext.ref_thread_default()
    deadline = GLib.get_monotonic_time() + int(timeout_s * 1e6)
    while not done() and GLib.get_monotonic_time() < deadline:
        context.iteration(False) or GLib.usleep(2000)
    return done()


class Recorder:
    """Every signal of one object, in order, with the thread that heard it."""

    def __init__(self, encoder):
        self.heard = []
        self.threads = set()
        for name in ("error-code", "finished", "progress", "id3v1-genre-list"):
            encoder.connect(name, self._hear, name)

    def _hear(self, _encoder, *args):
        *values, name = args
        self.heard.append((name, *values))
        self.threads.add(threading.get_ident())

    def ended(self):
        return len(self.heard) >= 2 and self.heard[-2][0] == "finished"

    def end(self):
        return self.heard[-3:]


class TolvoEncodeTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tolvo-gi-")
        self.encoder = Tolvo.Encode.new()
        self.events = Recorder(self.encoder)

    def tearDown(self):
        self.encoder.run_dispose()
        shutil.rmtree(self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def encode(self, seconds, name="out.mp3", bitrate=128):
        self.events.heard.clear()
        self.encoder.mp3_encode(write_wav(self.path("in.wav"), seconds), self.path(name), bitrate,
                                "joint", "normal", 0, 320)
        self.assertTrue(run_until(self.events.ended))
        return self.path(name)

    def test_an_encode_reports_rising_progress_then_no_error_finished_and_100(self):
        mp3 = self.encode(6)
        progress = self.events.heard[:-3]
        self.assertTrue(all(name == "progress" for name, *_ in progress))
        values = [value for _, value in progress]
        self.assertEqual(values, sorted(set(values)))
        self.assertTrue(all(0 < value < 100 for value in values))
        self.assertEqual(self.events.end(),
                         [("error-code", 0, "No error "), ("finished",), ("progress", 100)])
        self.assertAlmostEqual(mutagen.mp3.MP3(mp3).info.length, 6.0, delta=0.05)

    def test_the_controls_errors_arrive_through_error_code(self):
        wav = write_wav(self.path("in.wav"), 0.2)
        with open(self.path("plain-file"), "wb") as f:
            f.write(b"x")
        # (input, output, bitrate, raised inside the call?, number, text)
        cases = [
            ("", "", 128, True, 2, "The input file is the same as the output"),
            (wav, wav.upper(), 128, True, 2, "The input file is the same as the output"),
            ("", self.path("o.mp3"), 128, True, 3, "The input file is empty "),
            (wav, "", 128, True, 4, "The outputfile file is empty "),
            (self.path("missing.wav"), self.path("o.mp3"), 128, True, 5,
             "The input file or path is invalid"),
            (wav, self.path("rate.mp3"), 100, False, 108, "Invalid bitrate value "),
            (wav, self.path("sub/"), 128, False, 110, "Destination filename is missing"),
            (wav, self.path("plain-file/sub/o.mp3"), 128, False, 111,
             "Cannot create destination folder"),
        ]
        for source, target, bitrate, at_once, number, text in cases:
            with self.subTest(number=number, output=target):
                self.events.heard.clear()
                self.encoder.mp3_encode(source, target, bitrate, "joint", "normal", 0, 320)
                if at_once:
                    self.assertEqual(self.events.heard, [("error-code", number, text)])
                else:
                    self.assertTrue(run_until(self.events.ended))
                    self.assertEqual(self.events.end()[0], ("error-code", number, text))
        for level in (0, 4):
            self.events.heard.clear()
            self.encoder.select_process_priority(level)
            self.assertEqual(self.events.heard, [("error-code", 12, "Invalid priority level")])
        # Busy: a second object while the first one's job runs (paused).
        self.encoder.mp3_encode(write_wav(self.path("long.wav"), 8), self.path("long.mp3"), 128,
                                "joint", "normal", 0, 320)
        self.encoder.mp3_encode_pause()
        other = Tolvo.Encode.new()
        other_events = Recorder(other)
        other.mp3_encode(wav, self.path("busy.mp3"), 128, "joint", "normal", 0, 320)
        self.assertEqual(other_events.heard, [
            ("error-code", 9, "Already executing , wait for the end or call the cancel function")])
        self.encoder.mp3_encode_cancel()
        other.run_dispose()

    def test_pause_holds_the_job_resume_lets_it_go_on_and_cancel_ends_it_with_user_abort(self):
        # Long enough that the job is still running after a pause and a resume on every core.
        self.encoder.mp3_encode(write_wav(self.path("in.wav"), 300), self.path("out.mp3"), 128,
                                "joint", "high", 0, 320)
        self.assertTrue(run_until(lambda: self.events.heard))
        self.encoder.mp3_encode_pause()
        run_until(lambda: False, timeout_s=0.3)  # a block in flight may still end
        held = len(self.events.heard)
        run_until(lambda: False, timeout_s=0.8)
        self.assertEqual(len(self.events.heard), held)
        self.encoder.mp3_encode_resume()
        self.assertTrue(run_until(lambda: len(self.events.heard) > held))
        self.encoder.mp3_encode_cancel()  # returns once the job has stopped
        self.assertFalse(self.events.ended())
        self.assertTrue(run_until(self.events.ended))
        self.assertEqual(self.events.end(),
                         [("error-code", 112, "User abort"), ("finished",), ("progress", 100)])
        self.assertTrue(os.path.exists(self.path("out.mp3")))

    def test_id3v2_round_trip_of_all_twelve_fields_judged_by_mutagen(self):
        mp3 = self.encode(0.5)
        # Latin-1 texts, and texts only UTF-16 frames can hold (Cyrillic, Japanese, “€”, 🎵).
        fields = ["7/12", "Пёс и кот", "坂本龍一", "Große Fuge", "1998", "Rock",
                  "“Ça ira” for 5 €", "Tolvo 🎵", "https://example.org/ü", "© 1998 Ñu",
                  "Señor Ünal", "Hélène Côté"]
        self.assertEqual(self.encoder.write_id3_v2_tag(mp3, *fields), 0)
        code, *read = self.encoder.read_id3_v2_tag(mp3)
        self.assertEqual((code, read), (0, fields))
        tag = mutagen.id3.ID3(mp3, translate=False)
        for frame, value in zip(["TRCK", "TIT2", "TPE1", "TALB", "TYER", "TCON", "COMM", "TENC",
                                 "WXXX", "TCOP", "TOPE", "TCOM"], fields):
            found = tag.getall(frame)
            self.assertEqual(len(found), 1, frame)
            text = found[0].url if frame == "WXXX" else str(found[0].text[0])
            self.assertEqual(text, value, frame)
        # A genre reference comes back as its name; without a tag the read gives 1 and no texts.
        self.assertEqual(self.encoder.write_id3_v2_tag(mp3, *fields[:5], "(13)", *fields[6:]), 0)
        self.assertEqual(self.encoder.read_id3_v2_tag(mp3)[6], "Pop")
        self.assertEqual(self.encoder.remove_id3v2_tag(mp3), 0)
        self.assertEqual(self.encoder.read_id3_v2_tag(mp3), (1, *[""] * 12))
        # ID3v1 through the same object: the numbers are out parameters too.
        self.assertEqual(self.encoder.write_id3_v1_tag(mp3, 5, "Title", "Artist", "Album", "1999",
                                                       13, "Comment"), 0)
        self.assertEqual(tuple(self.encoder.read_id3_v1_tag(mp3))[:3], (0, 5, "Title"))
        self.assertEqual(self.encoder.read_id3_v1_tag(mp3)[6], 13)
        self.assertEqual(self.encoder.remove_id3v1_tag(mp3), 0)
        self.assertEqual(self.encoder.read_id3_v1_tag(mp3)[0], 2)

    def test_the_genre_list_is_one_clearing_signal_then_149_names(self):
        self.encoder.generate_id3v1_genre()  # raised inside the call
        heard = self.events.heard
        self.assertEqual(heard[0], ("id3v1-genre-list", True, ""))
        names = [genre for _, clear, genre in heard[1:] if not clear]
        self.assertEqual(len(heard), 150)
        self.assertEqual(len(names), 149)
        self.assertEqual((names[0], names[13], names[17], names[-1]), ("Blues", "Pop", "Rock", " "))
        self.assertEqual(len(set(names)), 149)

    def test_a_missing_engine_is_a_5007_gerror_and_no_signal(self):
        folder = self.path("lonely")
        os.mkdir(folder)
        library = shutil.copy(os.path.join(OUT_DIR, "libtolvomp3enc130.so"), folder)
        lonely = Tolvo.Encode.new_for_library(library)
        heard = Recorder(lonely)
        self.assertEqual(lonely.props.control_library, library)
        calls = [lambda: lonely.read_id3_v2_tag(self.path("x.mp3")),
                 lambda: lonely.mp3_encode(write_wav(self.path("in.wav"), 0.1),
                                           self.path("o.mp3"), 128, "joint", "normal", 0, 320),
                 lambda: lonely.generate_id3v1_genre()]
        for call in calls:
            with self.assertRaises(GLib.Error) as raised:
                call()
            self.assertEqual(raised.exception.domain, "tolvo-control-error")
            self.assertEqual(raised.exception.code, 5007)
            self.assertTrue(raised.exception.matches(Tolvo.control_error_quark(),
                                                     Tolvo.ControlError.ENGINE_LIBRARY))
            self.assertIn("libtolvomp3enc2.so", raised.exception.message)
        self.assertEqual(heard.heard, [])
        self.assertEqual(lonely.control_name(), "Tolvo MP3 Encoder OCX 1.3.0")
        lonely.run_dispose()
        with self.assertRaises(GLib.Error) as raised:
            Tolvo.Encode.new_for_library(self.path("nothing.so"))
        self.assertEqual(raised.exception.code, Tolvo.ControlError.FAILED)

    def test_the_examples_encode_with_a_progress_line_and_tag(self):
        write_wav(self.path("in.wav"), 2)
        for program, script in (("/usr/bin/python3", "python/encode.py"), ("gjs", "gjs/encode.js")):
            with self.subTest(script=script):
                # Named as a user types them: relative to the folder the example runs in.
                name = script.replace("/", "-") + ".mp3"
                mp3 = self.path(name)
                run = subprocess.run([program, os.path.abspath(os.path.join(EXAMPLES, script)),
                                      "in.wav", name], cwd=self.dir, capture_output=True,
                                     text=True, timeout=PATIENCE_S)
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertIn("Encoding 100%", run.stdout)
                self.assertTrue(run.stdout.endswith(
                    "0: No error \nID3v2 (0): track 1, Title by Artist, Album (2024)\n"), run.stdout)
                self.assertEqual(str(mutagen.id3.ID3(mp3)["TIT2"]), "Title")
                self.assertAlmostEqual(mutagen.mp3.MP3(mp3).info.length, 2.0, delta=0.05)

    def test_objects_on_two_threads_hear_only_their_own_signals(self):
        long_wav = write_wav(self.path("long.wav"), 8)
        short_wav = write_wav(self.path("short.wav"), 0.5)
        paused, asked, first_ended, second_ended = (threading.Event() for _ in range(4))
        results = {}

        def in_own_context(name, body):
            def run():
                context = GLib.MainContext.new()
                context.push_thread_default()
                try:
                    encoder = Tolvo.Encode.new()
                    events = Recorder(encoder)
                    results[name] = (events, threading.get_ident())
                    body(encoder, events, context)
                    encoder.run_dispose()
                except Exception as error:  # reported by the main thread
                    results[name + "-error"] = error
                finally:
                    context.pop_thread_default()
            return threading.Thread(target=run)

        def loop_until(event, context):
            return run_until(event.is_set, context)

        def first(encoder, events, context):
            encoder.mp3_encode(long_wav, self.path("first.mp3"), 128, "joint", "normal", 0, 320)
            encoder.mp3_encode_pause()
            results["first-encoder"] = encoder
            paused.set()
            asked.wait(PATIENCE_S)
            encoder.mp3_encode_resume()
            run_until(events.ended, context)
            first_ended.set()
            loop_until(second_ended, context)  # the other job's ticks never come here

        def second(encoder, events, context):
            paused.wait(PATIENCE_S)
            encoder.generate_id3v1_genre()
            encoder.mp3_encode(short_wav, self.path("refused.mp3"), 128, "joint", "normal", 0, 320)
            results["before-own-job"] = len(events.heard)
            asked.set()
            loop_until(first_ended, context)
            results["at-own-job"] = len(events.heard)
            encoder.mp3_encode(short_wav, self.path("second.mp3"), 128, "joint", "normal", 0, 320)
            run_until(events.ended, context)
            second_ended.set()

        threads = [in_own_context("first", first), in_own_context("second", second)]
        for thread in threads:
            thread.start()
        paused.wait(PATIENCE_S)
        # This thread is not the first object's: its call is refused and changes nothing.
        with self.assertRaises(GLib.Error) as raised:
            results["first-encoder"].mp3_encode_cancel()
        self.assertEqual(raised.exception.code, Tolvo.ControlError.WRONG_THREAD)
        # A thread with no context of its own cannot create one.
        refused = []

        def create_without_context():
            try:
                refused.append(Tolvo.Encode.new())
            except GLib.Error as error:
                refused.append(error)
        worker = threading.Thread(target=create_without_context)
        worker.start()
        worker.join()
        self.assertIsInstance(refused[0], GLib.Error)
        self.assertEqual(refused[0].code, Tolvo.ControlError.NO_MAIN_CONTEXT)
        self.assertIn("thread-default GMainContext", refused[0].message)
        for thread in threads:
            thread.join()
        self.assertNotIn("first-error", results)
        self.assertNotIn("second-error", results)
        (first_events, first_thread), (second_events, second_thread) = (
            results["first"], results["second"])
        self.assertEqual(first_events.threads, {first_thread})
        self.assertEqual(second_events.threads, {second_thread})
        self.assertEqual(first_events.end(),
                         [("error-code", 0, "No error "), ("finished",), ("progress", 100)])
        self.assertEqual([e for e in first_events.heard if e[0] != "progress"],
                         first_events.end()[:2])
        self.assertEqual(results["before-own-job"], 151)
        self.assertEqual(results["at-own-job"], 151)
        self.assertEqual(second_events.heard[150][:2], ("error-code", 9))
        self.assertEqual(second_events.end(),
                         [("error-code", 0, "No error "), ("finished",), ("progress", 100)])
        self.assertFalse(os.path.exists(self.path("refused.mp3")))
        self.assertAlmostEqual(mutagen.mp3.MP3(self.path("first.mp3")).info.length, 8.0, delta=0.05)


if __name__ == "__main__":
    unittest.main(verbosity=2)
