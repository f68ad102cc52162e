#!/usr/bin/python3
"""Reads the desktop program's widgets as a screen reader does, through AT-SPI.

  Accessibletree.py controls <application> <role> <title> <role that must be there>...
      Every window of that role and title (hidden ones too: a dialog that has closed is still
      read) names each of its controls with a word, and no two controls of a window share a
      name. The roles listed must be among the controls, so that a window read empty fails.
  Accessibletree.py rows <application> <list name> <first-column texts>...
      The named list comes to hold exactly these rows (in any order); every cell of every row
      and every column header reads as text.
  Accessibletree.py line <application> <list name> <text>
      The named list comes to hold a row that reads the text.

The waits end as soon as their condition holds; the bound only stops a hang.
"""
import re
import sys
import time

import pyatspi

CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_PAGE_TAB,
}
# Entries of menus are named by their captions and are not what is read here.
SKIPPED_ROLES = {pyatspi.ROLE_MENU_BAR, pyatspi.ROLE_POPUP_MENU, pyatspi.ROLE_MENU}
HANG_GUARD_SECONDS = 120


def fail(message):
    print("FAILED: " + message, file=sys.stderr)
    sys.exit(1)


def application(name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == name:
            return app
    return None


def wait_for(what, probe):
    deadline = time.monotonic() + HANG_GUARD_SECONDS
    last_error = None
    while time.monotonic() < deadline:
        try:
            found = probe()
            if found:
                return found
        except Exception as error:  # a window may go while it is read; read it again
            last_error = error
        time.sleep(0.05)
    fail("gave up waiting for " + what + (f" (last error: {last_error})" if last_error else ""))


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        if child.getRole() not in SKIPPED_ROLES and child.getRole() not in (
                pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST):
            yield from descendants(child)


def describe(node):
    return f"{node.getRoleName()} '{node.name}'"


def check_controls(app_name, role_name, title, required_roles):
    def windows():
        app = application(app_name)
        return app and [w for w in app if w is not None and w.getRoleName() == role_name and w.name == title]

    faults = []
    seen_roles = set()
    for window in wait_for(f"a {role_name} '{title}' of {app_name}", windows):
        names = {}
        for node in descendants(window):
            if node.getRole() not in CONTROL_ROLES:
                continue
            seen_roles.add(node.getRoleName())
            if not re.search(r"[^\W_]", node.name):
                faults.append(f"{describe(node)} has no name in {describe(window)}")
                continue
            key = (node.getRoleName(), node.name)
            if key in names:
                faults.append(f"two controls are called {describe(node)} in {describe(window)}")
            names[key] = node
        print(f"{describe(window)}: " + ", ".join(f"{role} '{name}'" for role, name in names))
    missing = [role for role in required_roles if role not in seen_roles]
    if missing:
        faults.append(f"no {', '.join(missing)} read in the {role_name} '{title}'")
    if faults:
        fail("; ".join(faults))


def named_list(app_name, list_name):
    app = application(app_name)
    if app is None:
        return None
    for window in app:
        for node in descendants(window):
            if node.name == list_name and node.getRole() in CONTROL_ROLES:
                return node
    return None


def row_texts(table_node):
    table = table_node.queryTable()
    rows = []
    for row in range(table.nRows):
        cells = [table.getAccessibleAt(row, column) for column in range(table.nColumns)]
        rows.append([cell.name if cell is not None else "" for cell in cells])
    return table, rows


def check_rows(app_name, list_name, expected):
    def filled():
        node = named_list(app_name, list_name)
        if node is None:
            return None
        table, rows = row_texts(node)
        return (table, rows) if sorted(row[0] for row in rows) == sorted(expected) else None

    table, rows = wait_for(f"the list '{list_name}' to read the rows {expected}", filled)
    headers = []
    for column in range(table.nColumns):
        header = table.getColumnHeader(column)
        headers.append(header.name if header is not None else "")
    faults = [f"column {column} has no header name" for column, name in enumerate(headers) if not name]
    faults += [f"row {row} reads {cells}, with an empty cell" for row, cells in enumerate(rows) if not all(cells)]
    print(f"'{list_name}': {headers}")
    for cells in rows:
        print(f"  {cells}")
    if faults:
        fail("; ".join(faults))


def check_line(app_name, list_name, text):
    def holds():
        node = named_list(app_name, list_name)
        return node is not None and any(text in cells for cells in row_texts(node)[1])

    wait_for(f"the list '{list_name}' to read the line '{text}'", holds)
    print(f"'{list_name}' reads '{text}'")


def main(arguments):
    if len(arguments) >= 4 and arguments[0] == "controls":
        check_controls(arguments[1], arguments[2], arguments[3], arguments[4:])
    elif len(arguments) >= 4 and arguments[0] == "rows":
        check_rows(arguments[1], arguments[2], arguments[3:])
    elif len(arguments) == 4 and arguments[0] == "line":
        check_line(arguments[1], arguments[2], arguments[3])
    else:
        fail("usage: " + __doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
