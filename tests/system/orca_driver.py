"""Works Corvantile with the keyboard alone while Orca, the screen reader, listens, and prints
every line Orca spoke, one a line, read once from Orca's debug output at the end.

Usage: orca_driver.py WORK_FOLDER SECOND_PICTURE_PNG
"""
import json
import os
import re
import subprocess
import sys
import time


def keys(*names):
    for name in names:
        subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=True)
        time.sleep(0.45)


def text(value):
    subprocess.run(["xdotool", "type", "--delay", "30", value], check=True)
    time.sleep(0.3)


def main():
    work = sys.argv[1]
    log = os.path.join(work, "orca.out")
    # Orca looks for other Orcas of the same user with pgrep, and refuses to start beside them
    # (--replace would kill them, another test run's reader or the user's own). Given a pgrep
    # that finds none, it starts beside them and touches no other reader.
    lonely = os.path.join(work, "bin")
    os.makedirs(lonely, exist_ok=True)
    with open(os.path.join(lonely, "pgrep"), "w") as script:
        script.write("#!/bin/sh\nexit 1\n")
    os.chmod(os.path.join(lonely, "pgrep"), 0o755)
    env = dict(os.environ, PATH=lonely + os.pathsep + os.environ.get("PATH", ""))
    # Orca's own settings but one: the position of an item among its siblings is spoken
    # ("1 of 2"), as many of its users set it.
    default = ["Default", "default"]
    with open(os.path.join(work, "user-settings.conf"), "w") as settings:
        json.dump({"general": {"enablePositionSpeaking": True, "profile": default,
                               "startingProfile": default, "activeProfile": default},
                   "profiles": {"default": {"profile": default, "pronunciations": {},
                                            "keybindings": {}}},
                   "pronunciations": {}, "keybindings": {}}, settings)
    orca = subprocess.Popen(["orca", "--user-prefs", work, "--debug-file", log],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    try:
        time.sleep(4)  # Orca starts up
        end = time.time() + 20
        window = ""
        while time.time() < end and not window:
            window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Corvantile"],
                                    capture_output=True, text=True).stdout.split()
            time.sleep(0.2)
        subprocess.run(["xdotool", "windowfocus", "--sync", window[0]], check=True)
        time.sleep(1.5)
        keys("ctrl+v")  # the paste, from the viewport
        time.sleep(1)
        # The keyboard's cursor on the screenshot: placed, moved ten pixels, to the row's end.
        keys("Right", "shift+Right", "End", "Home")
        keys("F3")  # nothing found yet to go to
        keys("Tab", "Tab", "Tab", "Tab")  # from the view to the width box
        text("5")
        keys("Tab")
        text("4")
        keys("Tab")
        text("10, 20")
        keys("Tab", "Tab", "Tab")  # the result box, the name, "Create Object"
        keys("space")
        time.sleep(1)
        keys("ctrl+f")  # the definition looked for in the screenshot
        time.sleep(1.5)
        keys(*["shift+Tab"] * 5)  # back through the boxes to the width box
        # The clip's Zoom through the clip box's menu, K in it, and back to the width box.
        keys("shift+Tab", "Menu", "Return")
        time.sleep(1)
        keys("k")
        time.sleep(2)
        keys("Right", "Right")  # the Zoom's cursor over the kept pixels
        time.sleep(3)  # each point is heard before the Zoom closes
        keys("Escape", "Tab")
        keys(*["Tab"] * 18)  # on through the buffers and the options to the vertical bar
        # The pointer over the screenshot fills the status line; Orca's status-bar command
        # (Orca+KP_Enter twice) reads it.
        # The view starts 7, 8 layout pixels into the window, and shows each pixel of the
        # screenshot on one pixel of the screen: the pointer is on pixel (53, 42) at any scale.
        scale = float(os.environ.get("QT_SCALE_FACTOR", "1"))
        subprocess.run(["xdotool", "mousemove", "--window", window[0], str(round(7 * scale) + 53),
                        str(round(8 * scale) + 42)], check=True)
        time.sleep(0.5)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "KP_Insert+KP_Enter",
                        "KP_Insert+KP_Enter"], check=True)
        time.sleep(1)
        # The vertical bar moved to its end, then where-am-I on it, then back to its start.
        keys("End")
        keys("KP_Enter")
        time.sleep(1)
        keys("Home")
        # A second paste, deleted through its buffer's menu. The definition took the clipboard:
        # another program offers the picture again.
        owner = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", "image/png",
                                  "-i", sys.argv[2]], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        time.sleep(0.5)
        keys("ctrl+v")
        time.sleep(1)
        owner.kill()
        owner.wait()
        keys("ctrl+shift+2", "Return")
        time.sleep(1)
        # Create Object while the view shows another screenshot than the clip's.
        keys(*["Tab"] * 7, "space")
        time.sleep(1)
        # The buffers as one stop after the Paste button, gone through with the arrows.
        keys("Tab", "Tab", "Right", "Left", "Return")
        time.sleep(1)
        # A buffer's menu by the Menu key, closed by Escape.
        keys("Menu")
        time.sleep(1)
        keys("Escape")
        # Flat review, line by line from the top of the window to its bottom.
        keys("KP_Subtract")
        keys(*["KP_Home"] * 14)
        keys(*["KP_Page_Up"] * 30)
        keys("KP_Subtract")
        keys("ctrl+5")  # an empty buffer brought back
        time.sleep(1)
        # Two files named at once, the first damaged: both outcomes are heard, in order.
        damaged = os.path.join(work, "cut.png")
        with open(sys.argv[2], "rb") as whole, open(damaged, "wb") as cut:
            cut.write(whole.read()[:300])
        another = subprocess.Popen([os.environ["CORVANTILE_PROGRAM"], damaged, sys.argv[2]],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(8)
        another.terminate()
        another.wait()
    finally:
        orca.terminate()
        try:
            orca.wait(5)
        except subprocess.TimeoutExpired:
            orca.kill()
            orca.wait()
    for line in open(log, errors="replace"):
        said = re.search(r"SPEECH OUTPUT: '(.*)'\[?\{", line)
        if said:
            print(said.group(1))


main()
