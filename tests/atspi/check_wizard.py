#!/usr/bin/python3
"""What a screen reader finds in the running wizard, read over AT-SPI from
another process as a screen reader reads it.

    check_wizard.py PROGRAM CARD.ini VERDICT

Starts PROGRAM on the virtual card CARD.ini (its microphone must give a
steady tone, which the verdict calls no voice and the meter shows), then
walks pages 1 to 4 through the accessibility tree alone: on each page every
control in view is named, Tab reaches each control that takes the focus and
each one it reaches is named; page 2's sound-card test runs and its result
lines can be read; page 4's meter tells its level through the Value
interface while a recording runs, and when the recording stops the verdict
line (a status line) appears and announces its text, which starts with
VERDICT. Run it in an X server with an accessibility bus
(run_atspi_check.sh). Prints what it found; exits 1 on any fault.
"""

import os
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

# Controls a screen reader must be able to name.
NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_TREE,
    pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_STATUS_BAR,
}
EVENTS = ("object:state-changed:focused", "object:state-changed:showing",
          "object:property-change:accessible-name")

faults = []


def fault(text):
    faults.append(text)
    print("FAULT: " + text)


class Fatal(Exception):
    pass


class Session:
    """The program and the events it sends, in the order they came."""

    def __init__(self, program, card, log):
        self.events = []
        for kind in EVENTS:
            pyatspi.Registry.registerEventListener(self.on_event, kind)
        env = dict(os.environ, QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.process = subprocess.Popen([program, "--sound=virtual:" + card], env=env,
                                        stdout=log, stderr=subprocess.STDOUT)
        self.app = self.wait(self.find_app, 20, "the program on the accessibility bus")
        self.dialog = self.wait(lambda: self.child(self.app, pyatspi.ROLE_DIALOG), 10,
                                "the wizard's window")
        # No window manager gives the window the keyboard: ask the X server.
        title = "^%s$" % re.escape(self.dialog.name)
        focus = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                str(self.process.pid), "--name", title, "windowfocus", "--sync"],
                               timeout=10, capture_output=True, text=True)
        if focus.returncode != 0:
            raise Fatal("xdotool could not focus the wizard's window: " + focus.stderr)

    def on_event(self, event):
        try:
            self.events.append((event.type, event.detail1, event.source,
                                event.source.getRole(), event.source.name or ""))
        except Exception:  # a source gone meanwhile
            pass

    def pump(self, seconds):
        context = GLib.MainContext.default()
        end = time.monotonic() + seconds
        while True:
            while context.iteration(False):
                pass
            if time.monotonic() >= end:
                return
            time.sleep(0.02)

    def wait(self, probe, seconds, what):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if self.process.poll() is not None:
                raise Fatal("the program ended (%s) while waiting for %s"
                            % (self.process.returncode, what))
            found = probe()
            if found:
                return found
            self.pump(0.05)
        raise Fatal("no %s within %d s" % (what, seconds))

    def find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.process.pid:
                return app
        return None

    @staticmethod
    def child(parent, role):
        for i in range(parent.childCount):
            c = parent.getChildAtIndex(i)
            if c is not None and c.getRole() == role:
                return c
        return None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


def showing(obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)


def in_view(obj):
    """obj and what it holds, as far as they are shown."""
    if not showing(obj):
        return
    yield obj
    for i in range(obj.childCount):
        c = obj.getChildAtIndex(i)
        if c is not None:
            yield from in_view(c)


def blank(name):
    return not (name or "").strip()


def press(obj):
    action = obj.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for wanted in ("Press", "Toggle"):
        if wanted in names:
            action.doAction(names.index(wanted))
            return
    raise Fatal("%s '%s' has no press action (%s)" % (obj.getRoleName(), obj.name, names))


def page_of(s):
    return s.wait(lambda: next((o for o in in_view(s.dialog)
                                if o.getRole() == pyatspi.ROLE_PAGE_TAB), None),
                  10, "page in view")


def control(s, role, name=None, within=None):
    for o in in_view(within or s.dialog):
        if o.getRole() == role and (name is None or o.name == name):
            return o
    return None


def check_names(s, label):
    """Every control in view has a name; answers them for the report."""
    named = []
    for o in in_view(s.dialog):
        if o.getRole() not in NAMED_ROLES:
            continue
        if blank(o.name):
            fault("%s: a %s without a name" % (label, o.getRoleName()))
        else:
            named.append("%s '%s'" % (o.getRoleName(), o.name))
    print("%s, named controls: %s" % (label, "; ".join(named)))


def reaches(focused, target):
    """Focus on target or within it (an item of a list)."""
    obj = focused
    while obj is not None:
        if obj == target:
            return True
        obj = obj.parent
    return False


def check_focus_order(s, label):
    """Tab goes round the controls that take the focus, from the one that has
    it back to it, and each one it reaches is named."""
    focusable = [o for o in in_view(s.dialog)
                 if o.getState().contains(pyatspi.STATE_FOCUSABLE)
                 and o.getState().contains(pyatspi.STATE_ENABLED)
                 and o.getRole() in NAMED_ROLES]
    first = next((o for o in in_view(s.dialog)
                  if o.getState().contains(pyatspi.STATE_FOCUSED)), None)
    if first is None:
        raise Fatal(label + ": nothing has the focus")
    order = [first]
    for _ in range(len(focusable) + 2):
        s.events.clear()
        pyatspi.Registry.generateKeyboardEvent(0xFF09, None, pyatspi.KEY_SYM)  # Tab
        focused = s.wait(lambda: next((e[2] for e in s.events if e[0].endswith("focused")
                                       and e[1] == 1), None), 3, "focus after Tab")
        if any(reaches(focused, o) or reaches(o, focused) for o in order):
            break
        order.append(focused)
    print("%s, Tab order: %s" % (label, " -> ".join(
        "%s '%s'" % (o.getRoleName(), o.name) for o in order)))
    if not (reaches(focused, first) or reaches(first, focused)):
        fault("%s: Tab does not come back to %s '%s'" % (label, first.getRoleName(), first.name))
    for o in order:
        if blank(o.name):
            fault("%s: Tab reaches a %s without a name" % (label, o.getRoleName()))
    for o in focusable:
        if not any(reaches(f, o) for f in order):
            fault("%s: Tab never reaches %s '%s'" % (label, o.getRoleName(), o.name))


def next_page(s, title):
    press(control(s, pyatspi.ROLE_PUSH_BUTTON, "Next >"))
    return s.wait(lambda: (lambda p: p if p.name != title else None)(page_of(s)), 10,
                  "page after '%s'" % title)


def check_page(s, number):
    page = page_of(s)
    label = "Page %d '%s'" % (number, page.name)
    check_names(s, label)
    check_focus_order(s, label)
    return page, label


def run_sound_card_test(s, page, label):
    press(control(s, pyatspi.ROLE_PUSH_BUTTON, "Test", page))
    next_button = control(s, pyatspi.ROLE_PUSH_BUTTON, "Next >")
    s.wait(lambda: next_button.getState().contains(pyatspi.STATE_ENABLED), 20,
           "Next after the sound-card test")
    results = control(s, pyatspi.ROLE_TREE, within=page) or control(
        s, pyatspi.ROLE_TABLE, within=page)
    if results is None:
        raise Fatal(label + ": no result list in view after the test")
    table = results.queryTable()
    lines = []
    for row in range(table.nRows):
        cells = [table.getAccessibleAt(row, column) for column in range(table.nColumns)]
        texts = [c.name if c is not None else "" for c in cells]
        if any(blank(t) for t in texts):
            fault("%s: result line %d has an empty cell: %s" % (label, row + 1, texts))
        lines.append(" | ".join(texts))
    if not lines:
        fault(label + ": the sound-card test shows no result line")
    print("%s, result lines in '%s': %s" % (label, results.name, "; ".join(lines)))


def check_recording(s, page, label, verdict):
    auto = control(s, pyatspi.ROLE_CHECK_BOX, within=page)
    if auto is not None and auto.getState().contains(pyatspi.STATE_CHECKED):
        # A steady tone stays steady only while nothing moves the volume.
        press(auto)
        s.wait(lambda: not auto.getState().contains(pyatspi.STATE_CHECKED), 5,
               "the automatic level unticked")
    meter = control(s, pyatspi.ROLE_PROGRESS_BAR, within=page)
    if meter is None:
        raise Fatal(label + ": no level meter in view")
    value = meter.queryValue()
    start = next(o for o in in_view(page) if o.getRole() == pyatspi.ROLE_PUSH_BUTTON)
    start_name = start.name
    press(start)
    s.wait(lambda: value.currentValue > value.minimumValue, 10,
           "a level on the meter '%s' while recording" % meter.name)
    print("%s, meter '%s' while recording: %g in [%g, %g]" % (
        label, meter.name, value.currentValue, value.minimumValue, value.maximumValue))
    if not value.minimumValue <= value.currentValue <= value.maximumValue:
        fault("%s: the meter's value %g is outside [%g, %g]" % (
            label, value.currentValue, value.minimumValue, value.maximumValue))
    s.pump(1.0)
    s.events.clear()
    press(start)

    def announced():
        shown = set()
        for kind, detail, source, role, name in s.events:
            if role != pyatspi.ROLE_STATUS_BAR:
                continue
            if kind.endswith("showing") and detail == 1:
                shown.add(source)
            elif kind.endswith("accessible-name") and source in shown and name:
                return name
        return None
    try:
        text = s.wait(announced, 10, "verdict announced by a status line in view")
    except Fatal as error:
        fault("%s: %s; events after Stop: %s" % (label, error, [
            (e[0], e[1], pyatspi.Accessible.getRoleName(e[2]), e[4]) for e in s.events]))
        return
    print("%s, announced after '%s': '%s'" % (label, start_name, text))
    if not text.startswith(verdict):
        fault("%s: the verdict announced is '%s', not '%s...'" % (label, text, verdict))
    line = control(s, pyatspi.ROLE_STATUS_BAR, within=page)
    if line is None or line.name != text:
        fault("%s: the verdict line in view does not read what was announced" % label)


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    program, card, verdict = sys.argv[1:]
    log_path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "pelmora-atspi.log")
    with open(log_path, "w") as log:
        s = None
        try:
            s = Session(program, card, log)
            page, label = check_page(s, 1)
            title = page.name
            title = next_page(s, title).name
            page, label = check_page(s, 2)
            run_sound_card_test(s, page, label)
            check_focus_order(s, label + " after the test")
            title = next_page(s, title).name
            check_page(s, 3)
            next_page(s, title)
            page, label = check_page(s, 4)
            check_recording(s, page, label, verdict)
        except Fatal as error:
            fault(str(error))
        finally:
            if s is not None:
                s.stop()
    if faults:
        with open(log_path) as log:
            print("---- the program's output ----\n" + log.read())
        print("%d fault(s)" % len(faults))
        return 1
    print("no faults")
    return 0


if __name__ == "__main__":
    sys.exit(main())
