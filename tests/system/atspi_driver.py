"""Works Corvantile through AT-SPI alone, as a screen reader's user would: paste, type the
region, choose every pixel, create the definition, read it, then paste a second screenshot,
bring the first one back through its buffer's action and the second with its key (Ctrl+2).
Prints what it read, one line a step.
With --click, it clicks the buffer where its extents say it is, as a reader's mouse routing
does, and prints the window's place and the extents of every named object, in screen pixels.

Usage: atspi_driver.py SECOND_PICTURE_PNG [--click]
"""
import subprocess
import sys
import time

import pyatspi


def wait_for(what, condition, seconds=15):
    end = time.time() + seconds
    while time.time() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    sys.exit("timed out waiting for " + what)


def find(node, name, role=None):
    """The first node below node with that name (and role name)."""
    for child in node:
        if child is None:
            continue
        if child.name == name and (role is None or child.getRoleName() == role):
            return child
        found = find(child, name, role)
        if found is not None:
            return found
    return None


def app():
    for candidate in pyatspi.Registry.getDesktop(0):
        if candidate is not None and candidate.name == "Corvantile":
            return candidate
    return None


def run_action(node, *action_names):
    """Runs the first of the actions that the node offers."""
    actions = node.queryAction()
    offered = [actions.getName(i) for i in range(actions.nActions)]
    for name in action_names:
        if name in offered:
            actions.doAction(offered.index(name))
            return
    sys.exit("none of %r on %s, which offers %r" % (action_names, node.name, offered))


def press(window, caption):
    run_action(find(window, caption, "push button"), "Press")


def description(window, name):
    return find(window, name).description


def extents(window, name, role=None):
    box = find(window, name, role).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def print_extents(node, seen=None):
    """Every named object below node with its role and extents; a name met again is numbered."""
    seen = {} if seen is None else seen
    for child in node:
        if child is None:
            continue
        if child.name:
            key = "%s [%s]" % (child.name, child.getRoleName())
            seen[key] = seen.get(key, 0) + 1
            if seen[key] > 1:
                key += " %d" % seen[key]
            box = child.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            print("extent %s: %d %d %d %d" % (key, box.x, box.y, box.width, box.height))
        print_extents(child, seen)


def review_tree(node, counts, path=""):
    """Counts, below node, the objects with a role and no name, the names two siblings share,
    and the objects that claim the focus; prints each that is found."""
    names = {}
    for child in node:
        if child is None:
            continue
        role = child.getRoleName()
        where = "%s/%s [%s]" % (path, child.name, role)
        if role != "invalid" and not child.name:
            counts["nameless"] += 1
            print("nameless object:", where)
        if child.name:
            names[child.name] = names.get(child.name, 0) + 1
            if names[child.name] == 2:
                counts["shared"] += 1
                print("shared name:", where)
        if child.getState().contains(pyatspi.STATE_FOCUSED):
            counts["focused"] += 1
            print("focused:", where)
        review_tree(child, counts, where)


def review(window):
    """What a reader's review of the window finds: every object's name and focus, the frames'
    captions and the pictures' texts."""
    counts = {"nameless": 0, "shared": 0, "focused": 0}
    review_tree(app(), counts)
    print("tree: %(nameless)d nameless, %(shared)d shared, %(focused)d focused" % counts)
    for caption in ("Coords", "Width", "Height", "Object Name", "Sample", "Black Pixels",
                    "Click on ScreenShot"):
        text = find(window, caption, "panel").queryText()
        print("caption %s: %s" % (caption, text.getText(0, -1)))
    for picture in ("Screenshot buffer 1", "Screenshot buffer 3", "Clip box"):
        print("review %s: %s" % (picture, find(window, picture).queryText().getText(0, -1)))
    for caption in ("To: red", "To: green", "To: blue"):
        print("label %s: %s" % (caption.split()[-1], ", ".join(
            relation.getTarget(i).name for relation in find(window, caption).getRelationSet()
            if relation.getRelationType() == pyatspi.RELATION_LABEL_FOR
            for i in range(relation.getNTargets()))))


def main():
    second_picture = sys.argv[1]
    click = "--click" in sys.argv
    window = wait_for("the program", lambda: app() and app()[0])
    wait_for("its controls", lambda: find(window, "Screenshot view"))

    # The name a reader speaks for each number box: that of a caption linked to it, else its own.
    for name in ("Red from", "Red to", "Green from", "Green to", "Blue from", "Blue to", "Width",
                 "Height", "Coords"):
        box = find(window, name, "text")
        labels = [relation.getTarget(i).name for relation in box.getRelationSet()
                  if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                  for i in range(relation.getNTargets())]
        print("box %s: %s" % (name, labels[0] if labels else box.name))

    if click:
        # The empty view, larger than its viewport, is told as far as the viewport shows it.
        for name in ("Screenshot view", "Screenshot viewport"):
            print("empty %s: %d %d %d %d" % ((name,) + extents(window, name)))
    press(window, "Paste Image From Clipboard")
    print("view:", wait_for("the paste", lambda: description(window, "Screenshot view")
                            if description(window, "Screenshot view") != "no screenshot" else None))
    for name, text in (("Coords", "130, 45"), ("Width", "17"), ("Height", "11")):
        find(window, name, "text").queryEditableText().setTextContents(text)
    run_action(find(window, "Every Pixel", "radio button"), "Toggle", "Check", "Press")
    press(window, "Create Object")
    result = find(window, "Object definition", "text")
    text = wait_for("the definition", lambda: result.queryText().getText(0, -1))
    print("definition:", repr(text))
    print("announced:", result.description)
    clipboard = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True,
                               check=True).stdout
    print("clipboard:", clipboard.hex())

    owner = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", "image/png",
                              "-i", second_picture])
    try:
        time.sleep(0.5)
        press(window, "Paste Image From Clipboard")
        print("second view:", wait_for("the second paste", lambda: description(
            window, "Screenshot view") if description(window, "Screenshot view") != "640 \u00d7 480"
            else None))
        if click:
            geometry = subprocess.run(["xdotool", "search", "--name", "Quenby",
                                       "getwindowgeometry", "--shell"], capture_output=True,
                                      text=True, check=True).stdout.split()
            place = dict(line.split("=") for line in geometry)
            print("window: %s %s" % (place["X"], place["Y"]))
            print_extents(window)
            x, y, width, height = extents(window, "Screenshot buffer 1")
            subprocess.run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2),
                            "click", "1"], check=True)
        else:
            run_action(find(window, "Screenshot buffer 1"), "Bring back")
        print("brought back:", wait_for("the first screenshot", lambda: description(
            window, "Screenshot view") if description(window, "Screenshot view") == "640 \u00d7 480"
            else None))
        # Ctrl+2, a real key, brings the second buffer back.
        subprocess.run(["xdotool", "search", "--name", "Quenby", "windowfocus", "--sync", "key",
                        "ctrl+2"], check=True)
        print("by its key:", wait_for("the second screenshot", lambda: description(
            window, "Screenshot view") if description(window, "Screenshot view") != "640 \u00d7 480"
            else None))
        review(window)
        # A buffer's menu, opened by its key, stands in the window while it is open, and knows
        # its place there.
        subprocess.run(["xdotool", "key", "ctrl+shift+1"], check=True)
        menu = wait_for("the menu", lambda: [c for c in window if c and c.getRoleName() in (
            "popup menu", "menu")])[0]
        print("menu: %s [%s] at %d of the window, first item %s" % (
            menu.name, menu.getRoleName(), menu.getIndexInParent(), menu[0].name))
        print("menu parent:", menu.parent.name)
        subprocess.run(["xdotool", "key", "Escape"], check=True)
    finally:
        owner.kill()
        owner.wait()


main()
