// Encodes a WAV file to MP3 with Tolvo.Encode, showing progress, then tags it.
//     gjs encode.js input.wav output.mp3
// From a build tree: GI_TYPELIB_PATH=build/gir LD_LIBRARY_PATH=build/out gjs encode.js ...
imports.gi.versions.Tolvo = '1.0';
const {Gio, GLib, Tolvo} = imports.gi;
const System = imports.system;

// The control takes full paths: names are made absolute against the current folder.
const [wav, mp3] = ARGV.map(name => Gio.File.new_for_commandline_arg(name).get_path());
const encoder = Tolvo.Encode.new();
const loop = new GLib.MainLoop(null, false);
let result = null;
const stdout = new Gio.UnixOutputStream({fd: 1, close_fd: false});
encoder.connect('progress', (_o, percent) => stdout.write_all(`\rEncoding ${percent}%`, null));
encoder.connect('error-code', (_o, number, text) => (result = {number, text}));
encoder.connect('finished', () => loop.quit());

encoder.mp3_encode(wav, mp3, 192, 'joint', 'high', 0, 320);
if (result === null) // refused arguments are reported inside the call
    loop.run();
print(`\n${result.number}: ${result.text}`);
if (result.number !== 0)
    System.exit(1);

encoder.write_id3_v2_tag(mp3, '1', 'Title', 'Artist', 'Album', '2024', 'Ambient', 'Made with Tolvo',
    'Tolvo', 'https://example.org/', '', '', '');
const [code, track, title, artist, album, year] = encoder.read_id3_v2_tag(mp3);
print(`ID3v2 (${code}): track ${track}, ${title} by ${artist}, ${album} (${year})`);
