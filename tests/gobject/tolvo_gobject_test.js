// Tolvo.Encode from gjs through GObject Introspection, against the built tree: an encode with its
// signals in order, the control's errors through error-code, cancel, an ID3v2 round trip, the
// genre list and the engine host's GError. Exits 1 at the first failed check.
imports.gi.versions.Tolvo = '1.0';
const {GLib, Tolvo} = imports.gi;
const System = imports.system;

const outDir = GLib.getenv('TOLVO_OUT_DIR');
const dir = GLib.dir_make_tmp('tolvo-gjs-XXXXXX');
const path = name => GLib.build_filenamev([dir, name]);
let checks = 0;

function check(ok, what) {
    checks++;
    if (!ok)
        throw new Error(`failed: ${what}`);
}
function same(actual, expected, what) {
    check(JSON.stringify(actual) === JSON.stringify(expected),
        `${what}: ${JSON.stringify(actual)} != ${JSON.stringify(expected)}`);
}

// A 16-bit stereo 44.1 kHz WAV of a saw tone.
function writeWav(name, seconds) {
    const frames = Math.floor(44100 * seconds), data = frames * 4;
    const bytes = new Uint8Array(44 + data), view = new DataView(bytes.buffer);
    const text = (at, s) => [...s].forEach((c, i) => view.setUint8(at + i, c.charCodeAt(0)));
    text(0, 'RIFF'); view.setUint32(4, 36 + data, true); text(8, 'WAVEfmt ');
    view.setUint32(16, 16, true); view.setUint16(20, 1, true); view.setUint16(22, 2, true);
    view.setUint32(24, 44100, true); view.setUint32(28, 44100 * 4, true);
    view.setUint16(32, 4, true); view.setUint16(34, 16, true); text(36, 'data');
    view.setUint32(40, data, true);
    for (let i = 0; i < frames * 2; i++)
        view.setInt16(44 + 2 * i, (i * 41) % 20000 - 10000, true);
    GLib.file_set_contents(path(name), bytes);
    return path(name);
}

function runUntil(done, seconds = 30) {
    const context = GLib.MainContext.default();
    const deadline = GLib.get_monotonic_time() + seconds * 1e6;
    while (!done() && GLib.get_monotonic_time() < deadline) {
        if (!context.iteration(false))
            GLib.usleep(2000);
    }
    return done();
}

function record(encoder) {
    const heard = [];
    for (const name of ['error-code', 'finished', 'progress', 'id3v1-genre-list'])
        encoder.connect(name, (_o, ...args) => heard.push([name, ...args]));
    heard.ended = () => heard.length >= 2 && heard[heard.length - 2][0] === 'finished';
    heard.end = () => heard.slice(-3);
    return heard;
}

function main() {
    const ok = ['error-code', 0, 'No error '];
    const encoder = Tolvo.Encode.new();
    const heard = record(encoder);
    same(encoder.control_name(), 'Tolvo MP3 Encoder OCX 1.3.0', 'control name');

    // A full encode: rising progress, then the end in its order.
    encoder.mp3_encode(writeWav('in.wav', 4), path('out.mp3'), 128, 'joint', 'normal', 0, 320);
    check(runUntil(heard.ended), 'the encode ends');
    same(heard.end(), [ok, ['finished'], ['progress', 100]], 'end of an encode');
    const progress = heard.slice(0, -3).map(([name, value]) => name === 'progress' ? value : -1);
    check(progress.every((v, i) => v > 0 && v < 100 && (i === 0 || v > progress[i - 1])),
        `progress rises: ${progress}`);

    // The control's own checks, raised inside the call.
    const wav = writeWav('short.wav', 0.2);
    for (const [input, output, level, number, text] of [
        ['', '', 0, 2, 'The input file is the same as the output'],
        ['', path('o.mp3'), 0, 3, 'The input file is empty '],
        [wav, '', 0, 4, 'The outputfile file is empty '],
        [path('missing.wav'), path('o.mp3'), 0, 5, 'The input file or path is invalid'],
        [null, null, 4, 12, 'Invalid priority level'],
    ]) {
        heard.length = 0;
        if (input === null)
            encoder.select_process_priority(level);
        else
            encoder.mp3_encode(input, output, 128, 'joint', 'normal', 0, 320);
        same(heard, [['error-code', number, text]], `error ${number}`);
    }

    // Pause, a second object refused while the job runs, then cancel: 112.
    heard.length = 0;
    encoder.mp3_encode(writeWav('long.wav', 30), path('cancelled.mp3'), 128, 'joint', 'normal', 0, 320);
    encoder.mp3_encode_pause();
    const other = Tolvo.Encode.new();
    const otherHeard = record(other);
    other.mp3_encode(wav, path('busy.mp3'), 128, 'joint', 'normal', 0, 320);
    same(otherHeard, [['error-code', 9, 'Already executing , wait for the end or call the cancel function']],
        'busy');
    encoder.mp3_encode_resume();
    encoder.mp3_encode_cancel();
    check(runUntil(heard.ended), 'the cancelled encode ends');
    same(heard.end(), [['error-code', 112, 'User abort'], ['finished'], ['progress', 100]], 'cancel');
    check(otherHeard.length === 1, 'the other object hears nothing of the job');

    // ID3v2: twelve fields written and read back; out parameters come back as an array.
    const fields = ['3', 'Пёс и кот', '坂本龍一', 'Große Fuge', '2001', 'Jazz', 'Ça va', 'gjs', 'http://example.org/',
        '© Ñu', 'Ünal', 'Côté'];
    same(encoder.write_id3_v2_tag(path('out.mp3'), ...fields), 0, 'write ID3v2');
    same(encoder.read_id3_v2_tag(path('out.mp3')), [0, ...fields], 'read ID3v2');
    same(encoder.remove_id3v2_tag(path('out.mp3')), 0, 'remove ID3v2');
    same(encoder.read_id3_v2_tag(path('out.mp3'))[0], 1, 'no ID3v2 tag left');
    same(encoder.write_id3_v1_tag(path('out.mp3'), 4, 'T', 'A', 'B', '1999', 8, 'C'), 0, 'write ID3v1');
    same(encoder.read_id3_v1_tag(path('out.mp3')), [0, 4, 'T', 'A', 'B', '1999', 8, 'C'], 'read ID3v1');

    // The genre list: one clearing signal, then 149 names.
    heard.length = 0;
    encoder.generate_id3v1_genre();
    same(heard[0], ['id3v1-genre-list', true, ''], 'clearing signal');
    const names = heard.slice(1).map(([, clear, genre]) => clear ? null : genre);
    same([names.length, names[0], names[8], names[148]], [149, 'Blues', 'Jazz', ' '], 'genre names');

    // A control library without its engine: every engine call is a 5007 GError.
    const lonely = GLib.build_filenamev([dir, 'lonely']);
    GLib.mkdir_with_parents(lonely, 0o700);
    const copy = GLib.build_filenamev([lonely, 'libtolvomp3enc130.so']);
    GLib.file_set_contents(copy, GLib.file_get_contents(GLib.build_filenamev([outDir, 'libtolvomp3enc130.so']))[1]);
    const stranded = Tolvo.Encode.new_for_library(copy);
    try {
        stranded.read_id3_v1_tag(path('out.mp3'));
        check(false, 'a missing engine raises');
    } catch (e) {
        check(e instanceof GLib.Error, 'a GError');
        check(e.matches(Tolvo.control_error_quark(), Tolvo.ControlError.ENGINE_LIBRARY), 'code 5007');
        same(e.code, 5007, 'the number');
        check(e.message.includes('libtolvomp3enc2.so'), `message names the engine: ${e.message}`);
    }

    for (const o of [encoder, other, stranded])
        o.run_dispose();
}

try {
    main();
} finally {
    GLib.spawn_command_line_sync(`rm -rf ${GLib.shell_quote(dir)}`);
}
print(`${checks} checks passed`);
