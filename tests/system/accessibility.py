#!/usr/bin/python3
"""What a screen reader is told of Brellow's windows, read through AT-SPI while the window is
worked with real keystrokes (tests/system/check-accessibility starts it and says what with)."""
import os
import subprocess
import sys
import time

import pyatspi

def wait_for(condition, seconds):
    """Polls condition until it gives something true, for at most the given seconds."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            value = condition()
        except Exception:  # a node that went away while being read
            value = None
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(0.1)

def find_application():
    # The program registers with the accessibility bus shortly after its window maps.
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name.lower() == "brellow":
            return app
    return None

def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)

app = wait_for(find_application, 20)
if app is None:
    sys.exit("FAIL Brellow never appeared on the accessibility bus")

nodes = list(walk(app))
failures = []

def check(what, condition):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition

def give_up(what):
    check(what, False)
    # What is on the screen helps to tell a slow program from a message box in the way.
    for child in app:
        if child is not None:
            print("     window: %s %r" % (child.getRoleName(), child.name), flush=True)
            for node in walk(child):
                if node.getRole() in (pyatspi.ROLE_LABEL, pyatspi.ROLE_MENU_ITEM) and node.name:
                    print("       %s %r" % (node.getRoleName(), node.name), flush=True)
    sys.exit(1)

text_roles = {pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT}
boxes = {n.name: n for n in nodes if n.getRole() in text_roles}
for name in ("SQL Server Name/IP", "User Name", "Password"):
    check('text box named "%s"' % name, name in boxes)
if "Password" in boxes:
    check("the password box has the password role",
          boxes["Password"].getRole() == pyatspi.ROLE_PASSWORD_TEXT)

labels = [n for n in nodes if n.getRole() == pyatspi.ROLE_LABEL]
answer_headings = ("SQL Server Edition", "SQL Server Version", "SQL Server SP Level")
for heading in answer_headings:
    described = [n for n in labels if n.description == heading]
    check('one answer field described as "%s"' % heading, len(described) == 1)
    if described:
        check('its name is its (still empty) text', described[0].name == "")
if failures:
    sys.exit(1)

# --- Working the window with the keyboard -------------------------------------------------

port = os.environ["CHECK_PORT"]
user = os.environ["CHECK_USER"]
password = os.environ["CHECK_PASSWORD"]
server_text = "127.0.0.1," + port

def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True, timeout=30,
                   stdout=subprocess.DEVNULL)

def keys(*names):
    xdotool("key", "--delay", "30", *names)

def type_text(text):
    xdotool("type", "--delay", "30", text)

def focus_x_window(title):
    # There is no window manager on the virtual display: give the window the keyboard.
    found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                            "^%s$" % title], capture_output=True, text=True, timeout=20)
    window = found.stdout.split()[0] if found.stdout.split() else None
    if window is None:
        give_up('an X window titled "%s"' % title)
    xdotool("windowfocus", "--sync", window)

def has_state(node, state):
    return node.getState().contains(state)

def main_frame():
    for child in app:
        if child is not None and child.name == "Brellow":
            return child
    return None

def results_window():
    for child in app:
        if child is not None and child.name == "Results" and \
                has_state(child, pyatspi.STATE_SHOWING):
            return child
    return None

def named(root, role, name):
    for node in walk(root):
        if node.getRole() == role and node.name == name:
            return node
    return None

def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)

def focused(node):
    return has_state(node, pyatspi.STATE_FOCUSED)

def tab_to(node, what, limit=8):
    """Presses Tab until node has the focus, as someone who cannot use a mouse would."""
    for _ in range(limit):
        if wait_for(lambda: focused(node), 1.5):
            return
        keys("Tab")
    if not wait_for(lambda: focused(node), 3):
        give_up("Tab reaches " + what)

frame = main_frame()
if frame is None:
    give_up('the main window "Brellow" on the accessibility bus')
txtServer = boxes["SQL Server Name/IP"]
txtUser = boxes["User Name"]
txtPassword = boxes["Password"]
chk = named(frame, pyatspi.ROLE_CHECK_BOX, "Do Not Use Integrated Security")
cmdGetVersion = named(frame, pyatspi.ROLE_PUSH_BUTTON, "Get Version Info")
if chk is None or cmdGetVersion is None:
    give_up('the check box and the "Get Version Info" button on the accessibility bus')

focus_x_window("Brellow")
check("the server box has the keyboard focus at start", wait_for(lambda: focused(txtServer), 10))
type_text(server_text)
check('the server box reads "%s"' % server_text,
      wait_for(lambda: text_of(txtServer) == server_text, 10))
check("Get Version Info became available",
      wait_for(lambda: has_state(cmdGetVersion, pyatspi.STATE_ENABLED), 10))

tab_to(chk, "the integrated-security check box")
check("the user box is unavailable while integrated security is chosen",
      not has_state(txtUser, pyatspi.STATE_ENABLED))
keys("space")
check('"Do Not Use Integrated Security" is ticked',
      wait_for(lambda: has_state(chk, pyatspi.STATE_CHECKED), 10))
check("the user box became available",
      wait_for(lambda: has_state(txtUser, pyatspi.STATE_ENABLED), 10))
tab_to(txtUser, "the user box")
type_text(user)
check("the user box reads the user name", wait_for(lambda: text_of(txtUser) == user, 10))
tab_to(txtPassword, "the password box")
type_text(password)
# A password box tells a screen reader how many characters it holds, never which.
check("the password box holds as many characters as were typed",
      wait_for(lambda: txtPassword.queryText().characterCount == len(password), 10))
check("the password box does not read out the password",
      password not in text_of(txtPassword) and password not in txtPassword.name)

def trust_question():
    for child in app:
        if child is not None and child.name == "Server Certificate" and \
                has_state(child, pyatspi.STATE_SHOWING):
            return child
    return None

def answer_trust_question():
    """The first login of a run to a server that cannot encrypt asks before the password
    crosses in clear: read it as a screen reader would, and agree by keyboard."""
    question = wait_for(trust_question, 30)
    if question is None:
        give_up('the question "Server Certificate" before the first login')
    said = " ".join(n.name for n in walk(question) if n.getRole() == pyatspi.ROLE_LABEL)
    check("the question says the server cannot encrypt", "cannot encrypt" in said)
    check("and that the password would cross in clear", "in clear" in said)
    cancel = named(question, pyatspi.ROLE_PUSH_BUTTON, "Cancel")
    check("Cancel, which sends nothing, has the focus", cancel is not None and
          wait_for(lambda: focused(cancel), 5))
    focus_x_window("Server Certificate")
    keys("alt+s")
    check("Alt+S sends it and closes the question", wait_for(lambda: trust_question() is None, 15))

def open_connection_properties(first=False):
    focus_x_window("Brellow")
    keys("alt+t")
    # The menu items stay on the bus while the menu is shut; open, the chosen one has the
    # focus. The menu opens on its first item; should it not, Down moves to it.
    item = named(frame, pyatspi.ROLE_MENU_ITEM, "View Connection Properties")
    if item is None:
        give_up('a "View Connection Properties" item in the Tools menu')
    for _ in range(3):
        if wait_for(lambda: focused(item), 2):
            break
        keys("Down")
    if not check('Alt+T opens the Tools menu on "View Connection Properties"',
                 wait_for(lambda: focused(item), 3)):
        give_up("the item could be reached with the keyboard")
    keys("Return")
    if first:
        answer_trust_question()
    window = wait_for(results_window, 30)
    if window is None:
        give_up('the "Results" window opened')
    return window

def list_rows(window):
    listing = wait_for(lambda: next((n for n in walk(window)
                                     if n.getRole() in (pyatspi.ROLE_LIST,
                                                        pyatspi.ROLE_LIST_BOX,
                                                        pyatspi.ROLE_TABLE)), None), 10)
    if listing is None:
        give_up("the Results window holds a list")
    # The rows are all added before the window shows; read them once they are there.
    rows = wait_for(lambda: [child.name for child in listing if child is not None], 10)
    return rows or []

def close_results(window):
    focus_x_window("Results")
    close = named(window, pyatspi.ROLE_PUSH_BUTTON, "Close")
    if close is None:
        give_up('the Results window has a "Close" button')
    tab_to(close, 'the "Close" button')
    keys("space")
    check("the Results window closed", wait_for(lambda: results_window() is None, 15))

dbms_version = os.environ["CHECK_DBMS_VERSION"]
window = open_connection_properties(first=True)
check('the "Results" window opened', True)
rows = list_rows(window)
check("its list has rows (%d)" % len(rows), len(rows) > 0)
for row in ("DBMS Version\t" + dbms_version, "Current Catalog\tmaster"):
    check("a row reads %r" % row, row in rows)
check("no row shows the password", not any(password in row for row in rows))
check("the row for the user reads the user name", "User ID\t" + user in rows)
close_results(window)

window = open_connection_properties()
again = list_rows(window)
check("a second listing has as many rows as the first (%d, %d)" % (len(again), len(rows)),
      len(again) == len(rows))
check("and the same rows", again == rows)
close_results(window)

# --- Get Version Info ---------------------------------------------------------------------

focus_x_window("Brellow")
tab_to(cmdGetVersion, 'the "Get Version Info" button')
keys("space")
expected = dict(zip(answer_headings, (os.environ["CHECK_EDITION"], os.environ["CHECK_VERSION"],
                                      os.environ["CHECK_LEVEL"])))
answers = {}
meanings = {}

def read_answers():
    # A field's description names it first ("SQL Server Version."); what its answer means
    # follows.
    found = {}
    for n in walk(frame):
        heading, _, meaning = n.description.partition(". ")
        if n.getRole() == pyatspi.ROLE_LABEL and heading in expected:
            found[heading] = n.name
            meanings[heading] = meaning
    answers.clear()
    answers.update(found)
    return all(found.get(heading) for heading in expected)

wait_for(read_answers, 30)
for heading, value in expected.items():
    check('"%s" is announced as %r (got %r)' % (heading, value, answers.get(heading)),
          answers.get(heading) == value)
    check('"%s" is described by what it means (%r)' % (heading, meanings.get(heading)),
          bool(meanings.get(heading)))

sys.exit(1 if failures else 0)
