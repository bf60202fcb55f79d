// Presses keys as a remote desktop client does, through mutter's
// org.gnome.Mutter.RemoteDesktop on the session bus: the keys reach GNOME's
// own shortcuts, as a keyboard's would.
// Usage: gjs remote-keys.js [--until-playing] COMBINATION...
// A combination is keysym names joined by "+" ("Control_L+space"), pressed in
// order and let go in reverse. With --until-playing, waits for the MPRIS
// player to report "Playing" after the last combination and prints the
// milliseconds from its press; exits 1 when it does not within 10 s.
const { Gio, GLib } = imports.gi;

const Keysyms = {
    Escape: 0xff1b, space: 0x20, Control_L: 0xffe3, Alt_L: 0xffe9, Shift_L: 0xffe1,
    Left: 0xff51, Up: 0xff52, Right: 0xff53, Down: 0xff54, Page_Up: 0xff55, Page_Down: 0xff56,
};
function keysym(name) {
    if (name in Keysyms)
        return Keysyms[name];
    const f = /^F([0-9]+)$/.exec(name);
    if (f)
        return 0xffbe + Number(f[1]) - 1;
    if (/^[a-z0-9]$/.test(name))
        return name.charCodeAt(0);
    throw new Error(`unknown key ${name}`);
}

const bus = Gio.DBus.session;
const Service = 'org.gnome.Mutter.RemoteDesktop';
const SessionInterface = 'org.gnome.Mutter.RemoteDesktop.Session';
function call(path, iface, method, args, replyType) {
    return bus.call_sync(Service, path, iface, method, args,
        replyType ? new GLib.VariantType(replyType) : null, Gio.DBusCallFlags.NONE, 5000, null);
}

let combinations = ARGV.slice();
const untilPlaying = combinations[0] === '--until-playing';
if (untilPlaying)
    combinations = combinations.slice(1);

const loop = new GLib.MainLoop(null, false);
let playingAt = 0;
if (untilPlaying) {
    bus.signal_subscribe(null, 'org.freedesktop.DBus.Properties', 'PropertiesChanged',
        '/org/mpris/MediaPlayer2', null, Gio.DBusSignalFlags.NONE,
        (connection, sender, path, iface, signal, parameters) => {
            const [changedInterface, changed] = parameters.deep_unpack();
            if (changedInterface !== 'org.mpris.MediaPlayer2.Player' || playingAt)
                return;
            if (changed.PlaybackStatus && changed.PlaybackStatus.deep_unpack() === 'Playing') {
                playingAt = GLib.get_monotonic_time();
                loop.quit();
            }
        });
}

const [session] = call('/org/gnome/Mutter/RemoteDesktop', Service, 'CreateSession', null,
    '(o)').deep_unpack();
call(session, SessionInterface, 'Start', null, null);
let pressedAt = 0;
for (const combination of combinations) {
    const keys = combination.split('+').map(keysym);
    pressedAt = GLib.get_monotonic_time();
    for (const key of keys)
        call(session, SessionInterface, 'NotifyKeyboardKeysym', new GLib.Variant('(ub)', [key, true]));
    for (const key of keys.reverse())
        call(session, SessionInterface, 'NotifyKeyboardKeysym', new GLib.Variant('(ub)', [key, false]));
}
let code = 0;
if (untilPlaying) {
    GLib.timeout_add(GLib.PRIORITY_DEFAULT, 10000, () => {
        loop.quit();
        return GLib.SOURCE_REMOVE;
    });
    loop.run();
    if (playingAt)
        print(Math.round((playingAt - pressedAt) / 1000));
    else
        code = 1;
}
call(session, SessionInterface, 'Stop', null, null);
imports.system.exit(code);
