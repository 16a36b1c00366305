#!/usr/bin/env python3
"""Reads the demo's accessibility tree through the desktop's accessibility bus, as a
screen reader does: at start, after a scan, and on the status and function pages of a
converter of each model, each reached by the actions a screen reader offers (no
mouse). Fails, naming each one, on a control that shows and says nothing, a device
button or tab without its words, or a tab that does not say it is the selected one.

    atspi_check.py DEMO_PROGRAM     (on a display, inside a D-Bus session)
"""
import collections
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

APP_NAME = "Velkor USB Control"
PATIENCE_S = 20

# What an operator can act on or read a value from: each must have a name.
NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_LIST,
}
# The text painted into the skin when nothing is chosen, which a reader must hear too.
NO_DEVICE_TEXT = "No device connected"


def showing(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def labelled_by(node):
    """The name of what labels a node (its buddy, or a labelled-by relation)."""
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                target = relation.getTarget(i)
                if target is not None and target.name:
                    return target.name
    return ""


def label_of(node):
    """What a reader says a node is: the label beside it, or its own name."""
    return labelled_by(node) or node.name


def wait_for(condition, what):
    deadline = time.monotonic() + PATIENCE_S
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.2)
    sys.exit(f"atspi-check: {what} did not happen within {PATIENCE_S} s")


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == APP_NAME:
            return app
    return None


# What a reader learns of one control, read at once: the page may go away right after.
Control = collections.namedtuple("Control", "node role role_name label name labelled selected")


def selected(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_SELECTED) or states.contains(pyatspi.STATE_CHECKED)


def snapshot(node):
    return Control(node, node.getRole(), node.getRoleName(), label_of(node), node.name, bool(labelled_by(node)),
                   selected(node))


def controls(app):
    # What a page switch shows and hides reaches the cache late or not at all: read
    # afresh, and again when a widget went away while being read.
    for _ in range(10):
        app.clear_cache()
        try:
            return [snapshot(n) for n in walk(app) if n.getRole() in NAMED_ROLES and showing(n)]
        except GLib.GError:
            time.sleep(0.2)
    sys.exit("atspi-check: the tree kept changing while being read")


def find(app, role, starts_with):
    for control in controls(app):
        if control.role == role and control.label.startswith(starts_with):
            return control.node
    return None


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in ("press", "click", "toggle"):
            action.doAction(i)
            return
    sys.exit(f"atspi-check: '{label_of(node)}' offers no press action")


# A page's tab is one of a row of buttons of which the open page's stays pressed: a
# reader hears it as a radio button, checked or not. The status page, open first, has
# no radio buttons of its own, so those showing then are the tabs.
def page_tabs(app, names=None):
    tabs = [c for c in controls(app) if c.role in (pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_RADIO_BUTTON)]
    return [c for c in tabs if names is None or c.label in names]


# The tab row's labels once they differ from `earlier` (another converter's pages), read
# in one walk of the tree; None until then.
def tab_labels_other_than(app, earlier):
    labels = [c.label for c in page_tabs(app)]
    return labels if labels != earlier else None


def still_selected(node):
    try:
        return selected(node)
    except GLib.GError:
        return False


def check_view(app, view, problems, tab_names=()):
    seen = controls(app)
    for control in seen:
        if not control.label:
            problems.append(f"{view}: an unnamed {control.role_name}")
        # A list's own name is its current value: only its label says what it sets.
        elif control.role == pyatspi.ROLE_COMBO_BOX and not control.labelled:
            problems.append(f"{view}: the list showing '{control.name}' is not linked to its label")
    tabs = page_tabs(app, tab_names)
    if tabs:
        checked = [c for c in tabs if c.selected]
        if len(checked) != 1:
            problems.append(f"{view}: {len(checked)} of {len(tabs)} tabs say they are selected")
    print(f"{view}: {len(seen)} controls, " + ", ".join(f"{c.role_name} '{c.label}'" for c in seen[:40]))
    return seen


def main():
    demo = sys.argv[1]
    # The bus and its registry first: a program that finds no accessibility bus when
    # it starts never joins one later.
    pyatspi.Registry.getDesktop(0).childCount
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    program = subprocess.Popen([demo], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    problems = []
    try:
        app = wait_for(find_app, "the demo appearing on the accessibility bus")
        scan = wait_for(lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, "Scan"), "a Scan button showing")
        check_view(app, "start", problems)
        if not any(NO_DEVICE_TEXT.lower() in (n.name + n.description).lower() for n in walk(app)):
            problems.append(f"start: the painted '{NO_DEVICE_TEXT}' is not exposed")

        press(scan)
        tab_names = []
        for model in ("TQ4410", "TQ6630"):
            device = wait_for(lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, model), f"a {model} device button")
            check_view(app, "after a scan", problems)
            press(device)
            tab_names = wait_for(lambda earlier=tab_names: tab_labels_other_than(app, earlier), f"the {model} pages")
            for name in tab_names:
                tab = wait_for(lambda: page_tabs(app, [name]), f"tab '{name}'")[0].node
                press(tab)
                wait_for(lambda: still_selected(tab), f"tab '{name}' selected")
                time.sleep(0.3)
                check_view(app, f"{model} page '{name}'", problems, tab_names)
    finally:
        program.terminate()
        program.wait(10)
    for problem in problems:
        print("PROBLEM:", problem)
    if problems:
        sys.exit(f"atspi-check: {len(problems)} problems")
    print("atspi-check: every control showing has a name")


if __name__ == "__main__":
    main()
