#!/usr/bin/python3
"""desktop_tour.py OUTDIR MICROPHONE_FIFO SENTENCE_RAW: walks the running
wizard from its first page to End with the mouse, a picture of each page into
OUTDIR. Run by scripts/desktop-tour, which starts the desktop, the sound
server and the wizard.

The buttons are found through the accessibility tree, as a screen reader
finds them, whatever the language: the sheet's row is the lowest row of push
buttons (Next or End second from the right, Cancel last), and each page's own
action (Test, Start) is its first push button. Every click is xdotool's, at
the middle of the control on the screen."""

import os
import subprocess
import sys
import threading
import time

import pyatspi

out, fifo, sentence = sys.argv[1:4]


def log(text):
    print(text, flush=True)


def wizard_window(timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None or "pelmora" not in (app.name or "").lower():
                continue
            for window in app:
                if window is not None and window.getState().contains(pyatspi.STATE_SHOWING):
                    return window
        time.sleep(0.2)
    raise SystemExit("the wizard's window did not appear in the accessibility tree")


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def extents(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def buttons(window):
    found = [b for b in descendants(window)
             if b.getRole() == pyatspi.ROLE_PUSH_BUTTON and showing(b)]
    if not found:  # the tree is being rebuilt: nothing to click yet
        return [], []
    lowest = max(extents(b)[1] for b in found)
    row = sorted((b for b in found if extents(b)[1] == lowest), key=lambda b: extents(b)[0])
    page = [b for b in found if extents(b)[1] != lowest]
    return row, page


def click(node, dx=None):
    x, y, w, h = extents(node)
    px = x + (w // 2 if dx is None else dx)
    subprocess.run(["xdotool", "mousemove", "--sync", str(px), str(y + h // 2), "click", "1"],
                   check=True)


def sensitive(node):
    return node.getState().contains(pyatspi.STATE_SENSITIVE)


def shot(name):
    time.sleep(0.6)  # the page's own repaint after the click
    path = os.path.join(out, name + ".png")
    subprocess.run(["scrot", "--overwrite", "--focused", "--border", path], check=True)
    log("  " + path)


def next_page(window):
    row, _ = buttons(window)
    click(row[-2])
    time.sleep(0.8)


def wait_for(condition, timeout):
    end = time.time() + timeout
    while time.time() < end:
        try:
            if condition():
                return True
        except IndexError:  # what it asks for is not shown yet
            pass
        time.sleep(0.2)
    return False


def speak(seconds=12):
    """The sentence into the headset's microphone, then silence, for as long
    as the server reads the pipe: a source nobody records from is suspended,
    and what is left is dropped after `seconds`."""
    with open(sentence, "rb") as voice:
        data = voice.read() + b"\0" * 48000 * 2 * 4
    pipe = os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)
    end = time.time() + seconds
    try:
        while data and time.time() < end:
            try:
                data = data[os.write(pipe, data[:4096]):]
            except BlockingIOError:
                time.sleep(0.02)
    finally:
        os.close(pipe)


window = wizard_window()
# The window manager gives the window the focus once it is mapped.
subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--class", "pelmora",
                "windowactivate", "--sync"], check=False, stdout=subprocess.DEVNULL)
time.sleep(1.5)  # the sound system is chosen after the first paint
shot("page1")
next_page(window)

shot("page2")
# The live level beside the microphone's list moves as the user speaks.
speaker = threading.Thread(target=speak, args=(3,))
speaker.start()
time.sleep(1.5)
shot("page2-level")
speaker.join()
_, page = buttons(window)
click(page[0])  # Test
row, _ = buttons(window)
if not wait_for(lambda: sensitive(buttons(window)[0][-2]), 30):
    raise SystemExit("page 2's test did not end")
shot("page2-tested")
next_page(window)

shot("page3")
_, page = buttons(window)
click(page[0])  # the music
time.sleep(2)
shot("page3-playing")
# A second headset plugged in while the music plays: the sheet offers it;
# taken, the music goes there; pulled out, the music stops and says why.
module = subprocess.run(
    ["pactl", "load-module", "module-null-sink", "sink_name=usb_headset_2",
     "sink_properties='device.description=\"USB Headset 2\" device.form_factor=headset'"],
    check=True, capture_output=True, text=True).stdout.strip()
if not wait_for(lambda: len(buttons(window)[1]) > len(page), 10):
    raise SystemExit("no notice offered the headset plugged in")
shot("page3-plugged")
_, offered = buttons(window)
accept = [b for b in offered if b not in page and b.name == "Yes"]
click(accept[0] if accept else offered[-2])
time.sleep(1.5)
subprocess.run(["pactl", "unload-module", module], check=True)
time.sleep(2)
shot("page3-unplugged")
next_page(window)

shot("page4")
_, page = buttons(window)
speaker = threading.Thread(target=speak)
speaker.start()
click(page[0])  # Start
time.sleep(1.5)
shot("page4-recording")
speaker.join()
_, page = buttons(window)
click(page[0])  # Stop
if not wait_for(lambda: sensitive(buttons(window)[0][-2]), 10):
    raise SystemExit("page 4's recording did not end")
shot("page4-verdict")
# The speech recogniser's line follows the verdict once its decode is done.
listening = "is listening to your recording"
def recogniser_done():
    names = [n.name or "" for n in descendants(window) if showing(n)]
    return any("speech recogniser" in n and listening not in n for n in names)
if wait_for(recogniser_done, 20):
    shot("page4-understood")
else:
    log("page 4: the speech recogniser's line did not come")
next_page(window)

shot("page5")
boxes = [b for b in descendants(window)
         if b.getRole() == pyatspi.ROLE_CHECK_BOX and showing(b)]
keep = boxes[-1]  # the last box: keep the new settings
x, y, w, h = extents(keep)
subprocess.run(["xdotool", "mousemove", "--sync", str(x - 150), str(y + h // 2), "click", "1"],
               check=True)  # on the line's text
if not wait_for(lambda: keep.getState().contains(pyatspi.STATE_CHECKED), 5):
    raise SystemExit("a click on the keep line's text did not tick its box")
shot("page5-kept")
next_page(window)  # End
log("  walked to End")
