"""The scenarios: what a user does with the program, each from a fresh start in a fresh folder.

Each scenario is a function taking a `Session`; it is registered with its number, a short name
and, when it needs a part that joins the program later, the menu caption that part brings.  A
program built without that caption skips the scenario with a "not in this build" note.
"""

import datetime
import os
import re
import struct
import subprocess
import time

import loan_figures as figures
from screen_text import Picture, Reader
from driver import (SCREEN_SIZE, Failure, check, check_in, pdf_pages, pdf_text, read_dbf,
                    read_ini, run_tool)

SCENARIOS = []

MAIN = "Vantrel Plus"
# The titles of the program's windows. A window without a caption (the splash, the floating
# toolbar, a pop-up menu or hint) carries the program's name "vantrel".
KNOWN_WINDOWS = re.compile("|".join((
    re.escape(MAIN), "vantrel", "", "Tips", "About", "Options", "Open", "Save As",
    r"(Loan|Compound & Simple Interest|Remaining Balance|Accelerated Payment|Balloon Payment)"
    r" Calculator \d", r"Affordable House \d", r"(Refinance|Points|Lease vs\. Buy) Advisor \d",
    "Amortization Schedule", "Amortization Charts", r"Lease vs\. Buy Break-Even Charts",
    r"One Moment\.\.\.", "(Schedule|Report) (Setup|Status)",
    "(Amortization Schedule|Report) Preview", "(Personal|Loan) Information",
    "Drag and drop", "Initial Periods")))


def watch(s):
    """From now on every step fails when a window the program does not show on its own
    (a message box nobody expects, an error) is open."""
    s.known_titles = KNOWN_WINDOWS
    s.program_title = MAIN


def scenario(number, name, needs=None, both=False):
    """Registers a scenario; `both` runs it under a window manager too (in CTest)."""
    def register(function):
        SCENARIOS.append({"number": number, "name": name, "needs": needs, "both": both,
                          "run": function})
        return function
    return register


# -- shared steps -------------------------------------------------------------------------------

def start(s, splash_ms=None):
    """Starts the program, closes the tip of the day with Escape and returns the main window."""
    watch(s)
    s.start_program(splash_ms)
    s.wait_window("Tips", timeout=30)
    s.key("Escape")
    s.wait_gone("Tips")
    return s.wait_window(MAIN)


def quit_program(s, main):
    """Leaves by File, Exit and checks the program ends by itself with code 0."""
    s.focus(main)
    s.key("alt+f")
    s.key("x")
    s.wait_exit()


def open_form(s, main, keys, title):
    s.focus(main)
    s.key(keys)
    wid = s.wait_window(title)
    s.focus(wid)
    return wid


def calculate(s, form):
    """Presses Alt+C and checks no message box came up."""
    s.key("alt+c", pause=0.5)
    shown = s.visible_windows()
    extra = [n for w, n in shown.items() if int(w) > int(form)]
    if extra:
        text = s.message(form)
        raise Failure(f"Calculate brought up {extra}: {text}")


def refused(s, form, expected):
    """Presses Alt+C, expects a message box with the given text, answers it with Return."""
    s.expect_box()
    s.key("alt+c", pause=0.3)
    text = s.answer_message(form)
    check_in(expected, text, "the refusal's message")
    s.focus(form)
    return text


def close_form(s, form, title):
    s.focus(form)
    s.key("Escape")
    s.wait_gone(title)


def copied_row(text, label):
    """The value at the end of the copied line that starts with the label."""
    for line in text.splitlines():
        if line.startswith(label):
            return line[len(label):].strip()
    raise Failure(f"no line {label!r} in the copied text:\n{text}")


def inside(s, wid, what):
    """Checks a window, with its frame, lies inside the screen's work area."""
    x, y, width, height = s.frame(wid)
    ax, ay, aw, ah = s.work_area()
    check(ax <= x and ay <= y and x + width <= ax + aw and y + height <= ay + ah,
          f"{what} at {x},{y} {width}x{height} leaves the work area {ax},{ay} {aw}x{ah}")


def printout(s, count, timeout=15):
    """Waits for the count-th printout and for the message that names its file, which it
    answers; returns the file."""
    pdf = s.wait_printed(count, timeout)
    told_where(s, pdf)
    return pdf


def print_key(s, keys="alt+p"):
    """Presses the key that prints; the message that tells where the printout went follows."""
    s.expect_box()
    s.key(keys)


def told_where(s, path):
    """Reads and closes the message that tells where a printout went; checks it names the
    file."""
    box = s.wait_window("Information", timeout=15)
    text = s.answer_message(str(int(box) - 1))
    check_in("The printout is in the file", text, "the message after printing")
    check_in(os.path.abspath(path), text, "the message after printing")


def docs_shot(s, wid, name, also=None):
    """Writes a window's picture (with a second window's, when given) for the README when the
    runner was asked for docs pictures."""
    folder = os.environ.get("VANTREL_E2E_DOCS")
    if folder:
        time.sleep(0.7)  # let the window paint
        s.window_shot(wid, os.path.join(folder, name), also)


# -- 1 ------------------------------------------------------------------------------------------

REGISTER_TABLES = ("ACCNTS", "LOANS", "XREF", "SYSINFO", "TRANS")


def register_contents(s):
    """The live records of each register table in the program's folder, by table; a record
    marked deleted and not packed away is a failure."""
    contents = {}
    for name in REGISTER_TABLES:
        records, deleted = read_dbf(s.home_file(name + ".DBF"))
        check(deleted == 0, f"{name}.DBF keeps {deleted} deleted records")
        contents[name] = records
    return contents


def check_new_register(s):
    tables = register_contents(s)
    accounts = [r["ACCOUNTNO"] for r in tables["ACCNTS"]]
    check(accounts == ["DEFAULT"], f"a new register holds the accounts {accounts}")
    check(len(tables["SYSINFO"]) == 1 and tables["SYSINFO"][0]["LASTLOANNO"] == 0,
          f"a new register's counter is {tables['SYSINFO']}")
    for name in ("LOANS", "XREF", "TRANS"):
        check(tables[name] == [], f"a new register's {name}.DBF is not empty: {tables[name]}")
    for name in ("ACCNTS", "LOANS", "XREF", "TRANS"):
        check(os.path.exists(s.home_file(name + ".NSX")), f"{name}.DBF has no index file")
    return tables


def check_frameless(s, wid, what):
    """Checks a window asks for no frame (no decorations in its window manager hints) and,
    under a window manager, got none."""
    hints = run_tool(["xprop", "-id", wid, "_MOTIF_WM_HINTS"], env=s.env)
    values = [int(v, 0) for v in re.findall(r"0x[0-9a-fA-F]+|\d+", hints.split("=", 1)[-1])]
    check(len(values) >= 3 and values[0] & 2 and values[2] == 0,
          f"{what} asks for a frame: {hints.strip()}")
    check(s.frame(wid) == s.geometry(wid), f"{what} got a frame {s.frame(wid)}")


@scenario(1, "first-run", both=True)
def first_run(s):
    check(os.listdir(s.home) == [], "the program's folder is not empty before the first run")
    watch(s)
    s.start_program(splash_ms=1500)
    # The splash (a window without a caption or frame) comes first, alone.
    splash = s.wait_window("vantrel", timeout=20)
    check_frameless(s, splash, "the splash")
    check(not s.window_shown(MAIN), "the main window showed while the splash was up")
    main = s.wait_window(MAIN, timeout=20)
    check(splash not in s.visible_windows(), "the splash stayed after the main window showed")
    _, _, width, height = s.geometry(main)
    check(600 <= width <= 620 and 420 <= height <= 458,
          f"the main window is {width}x{height}, not about 620x458")
    s.wait_window("Tips")
    docs_shot(s, main, "main-window-tips.png")
    s.key("Escape")
    s.wait_gone("Tips")
    win_ini = read_ini(s.home_file("WIN.INI"))
    check("INTL" in win_ini and win_ini["INTL"].get("SCURRENCY") == "$",
          f"WIN.INI has no [intl] section with the currency: {win_ini}")
    check("PDF" in win_ini.get("DEVICES", {}), "WIN.INI names no PDF printer")
    quit_program(s, main)
    for name in ("WIN.INI", "registry.ini"):
        check(os.path.exists(s.home_file(name)), f"{name} was not made on the first run")
    tables = check_new_register(s)
    registry = read_ini(s.home_file("registry.ini"))
    check(any(k.endswith("DTOOLBAR1") for k in registry),
          f"the toolbar's place was not kept: {registry}")
    with open(s.home_file("WIN.INI"), "rb") as f:
        first_profile = f.read()
    # The second start finds what the first made and keeps it.
    main = start(s)
    quit_program(s, main)
    with open(s.home_file("WIN.INI"), "rb") as f:
        check(f.read() == first_profile, "the second start rewrote WIN.INI")
    check(register_contents(s) == tables, "the second start changed the register's tables")


# -- 2 ------------------------------------------------------------------------------------------

@scenario(2, "loan-calculator")
def loan_calculator(s):
    main = start(s)
    title = "Loan Calculator 1"
    form = open_form(s, main, "F2", title)
    s.fill(100000, 360, 8)
    s.key("Tab")
    calculate(s, form)
    docs_shot(s, form, "loan-calculator.png")
    level = figures.payment(100000, 360, figures.periodic_rate(8))
    shown = {"Amount of Loan?:": "$100,000.00", "Total Periods? (#):": "360",
             "Periodic Payment:": figures.money(level),
             "Total Interest:": figures.money(360 * level - 100000)}
    summary = s.copied()
    check_in(title, summary, "the copied summary")
    for label, value in shown.items():
        check(copied_row(summary, label) == value,
              f"the copied {label} is {copied_row(summary, label)}, expected {value}:\n{summary}")

    print_key(s)
    pdf = printout(s, 1)
    text = pdf_text(pdf)
    check_in(title, text, "the printout")
    for label, value in shown.items():
        check(re.search(re.escape(label) + r"\s+" + re.escape(value), text) is not None,
              f"the printout does not show {label} {value}:\n{text}")
    check(pdf_pages(pdf) == 1, "the calculator's printout is not one page")

    # Undo discards the edits made since the calculation; Reset clears every field.
    s.focus(form)
    s.key("alt+a")
    s.key("End", "shift+Home")
    s.type("50000")
    s.key("Tab")
    edited = s.copied()
    check(copied_row(edited, "Amount of Loan?:") == "$50,000.00",
          f"the amount typed after the calculation did not take:\n{edited}")
    s.key("alt+u", pause=0.4)
    undone = s.copied()
    check(copied_row(undone, "Amount of Loan?:") == "$100,000.00",
          f"Undo did not bring the calculated amount back:\n{undone}")
    check(copied_row(undone, "Periodic Payment:") == shown["Periodic Payment:"],
          f"Undo lost the calculated payment:\n{undone}")
    s.key("alt+e", pause=0.4)
    reset = s.copied()
    check(copied_row(reset, "Amount of Loan?:") == "$0.00", f"Reset kept the amount:\n{reset}")
    check(copied_row(reset, "Total Periods? (#):") == "0", f"Reset kept the periods:\n{reset}")
    close_form(s, form, title)
    quit_program(s, main)


# -- 3 ------------------------------------------------------------------------------------------

MONTHLY_8 = figures.periodic_rate(8)
FINANCED, HOUSE = figures.affordable(60000, 20000, 8, 360, 3600, 28)
CALCULATORS = [
    # key, window title, values typed field after field, (copied label, expected value)...
    ("F3", "Compound & Simple Interest Calculator 1", (1000, 365, 5),
     [("Interest for Term:", figures.money(figures.compound_interest(1000, 365, 5))),
      ("Future Value:", figures.money(1000 + figures.compound_interest(1000, 365, 5))),
      # A year's interest compounded daily, as a share of the amount.
      ("Annual Percentage Yield (APY):", f"{((1 + 0.05 / 365) ** 365 - 1) * 100:.4f}"),
      ("Daily Periodic Rate:", f"{0.05 / 365:.7f}")]),
    ("F4", "Remaining Balance Calculator 1", (100000, 360, 8, 12),
     [("Remaining Balance:", figures.money(figures.balance_after(100000, 360, MONTHLY_8, 12))),
      ("Periodic Payment:", figures.money(figures.payment(100000, 360, MONTHLY_8)))]),
    ("F5", "Accelerated Payment Calculator 1", (100000, 360, 8, 1, 100),
     [("Periods to Pay Off:", str(figures.accelerated(100000, 360, MONTHLY_8, 1, 100)[0])),
      ("Total Interest Saved:",
       figures.money(figures.accelerated(100000, 360, MONTHLY_8, 1, 100)[1]))]),
    ("F6", "Balloon Payment Calculator 1", (100000, 8, 90000, 60),
     [("Payment Amount:", figures.money(figures.balloon_payment(100000, MONTHLY_8, 60, 90000)))]),
    # Income, cash, rate, months, yearly taxes and insurance, maintenance, share of income.
    ("F7", "Affordable House 1", (60000, 20000, 8, 360, 2400, 1200, 28),
     [("Amount Financed:", figures.money(FINANCED)), ("Affordable House:", figures.money(HOUSE)),
      ("Cash Available is", f"{20000 * 100 / HOUSE:.2f}% of House Price.")]),
]

REFUSALS = [
    # key, window title, values, the message's text (line breaks as the box shows them)
    ("F4", "Remaining Balance Calculator 1", (100000, 360, 8, 400),
     "Balance AFTER payment number\n\nmust be less than total periods."),
    ("F5", "Accelerated Payment Calculator 1", (100000, 360, 8, 400, 100),
     "Total Periods must be greater\n\nthan Increase After Period #.\n\nPlease Try Again"),
    ("F6", "Balloon Payment Calculator 1", (0, 0, 0, 0),
     "Balloon After Payment No. and Annual Rate\n\nmust be set to other than a '0' value."),
    ("F7", "Affordable House 1", (0, 20000, 8, 360, 2400, 1200, 28),
     "must all be set to other than a '0' value."),
    ("ctrl+r", "Refinance Advisor 1", (), "No zero values allowed."),
]


@scenario(3, "other-calculators")
def other_calculators(s):
    main = start(s)
    for key, title, values, results in CALCULATORS:
        form = open_form(s, main, key, title)
        s.fill(*values)
        s.key("Tab")
        calculate(s, form)
        summary = s.copied()
        for label, value in results:
            got = copied_row(summary, label)
            check(got == value, f"{title}: {label} is {got}, expected {value}:\n{summary}")
        close_form(s, form, title)

    form = open_form(s, main, "ctrl+r", "Refinance Advisor 1")
    # The current loan, the new one with 1 % points and closing costs; kept for a year (the
    # default), no tax bracket and no discount rate: each loan costs its first year's interest,
    # the new one its points and closing costs besides.
    s.fill(90000, 300, 9, None, 90000, 360, 7, None, 1, 1500, 0)
    current = figures.discounted_interest(
        90000, 9, 0, figures.payment(90000, 300, figures.periodic_rate(9)), 12)[0]
    new = figures.discounted_interest(
        90000, 7, 0, figures.payment(90000, 360, figures.periodic_rate(7)), 12)[0] + 1500 + 900
    calculate(s, form)
    summary = s.copied()
    check(copied_row(summary, "Remaining Balance:") == "$90,000.00", summary)
    check(copied_row(summary, "Misc. Closing Costs?:") == "$1,500.00", summary)
    # The results page prints the loans and the narrative; its Close answers Alt+C.
    print_key(s)
    text = " ".join(pdf_text(printout(s, 1)).split())
    for expected in ("Refinance Advisor 1", "$90,000.00",
                     f"Your current financing will cost you {figures.money(current)}",
                     f"The possible refinancing will cost you {figures.money(new)}",
                     f"Bottom line? Your total LOSS will be {figures.money(new - current)}"):
        check_in(expected, text, "the refinance printout")
    s.focus(form)
    s.key("alt+c")
    s.wait_gone("Refinance Advisor 1")

    for key, title, values, message in REFUSALS:
        form = open_form(s, main, key, title)
        s.key("alt+e", pause=0.3)
        s.fill(*values)
        s.key("Tab")
        refused(s, form, message)
        s.assert_running()
        close_form(s, form, title)
    quit_program(s, main)


# -- 4 ------------------------------------------------------------------------------------------

def pass_meter(s, timeout=30):
    """Waits while the "One Moment..." progress window of a long computation is up."""
    deadline = time.monotonic() + timeout
    while s.window_shown(r"One Moment\.\.\."):
        if time.monotonic() > deadline:
            raise Failure(f"the progress window stayed for {timeout} s")
        time.sleep(0.2)


def run_report(s, owner, destination_key, window_after=None):
    """Answers the report setup form: the destination's mnemonic, then OK."""
    setup = s.wait_window("Schedule Setup|Report Setup")
    check(int(setup) > int(owner), "the report setup form did not open")
    s.focus(setup)
    s.key(destination_key)
    if window_after:
        s.key("Return")
        return s.wait_window(window_after, timeout=30)
    print_key(s, "Return")
    return None


# Where the schedule window shows its figures, relative to the window: the amount field's
# text; the table's column borders (date | payment | principal | interest | balance), its first
# row's top, its row height and the rows it shows whole; the two lines of totals under the
# payment, principal and interest columns; a spot where the mouse covers no figure.
AMOUNT_TEXT = (156, 30, 128, 16)
GRID_BORDERS = (56, 135, 241, 355, 469, 583)
GRID_FIRST_ROW = 211
GRID_ROW_HEIGHT = 18
GRID_ROWS_SHOWN = 10
TOTALS_TOPS = (409, 427)
TOTALS_COLUMNS = ((136, 104), (244, 112), (360, 112))
MOUSE_ASIDE = (596, 100)
# An amount with every digit: its text in the amount field teaches the reader the characters.
LEARNT_AMOUNT = ("123456789", "$123,456,789.00")


def learn_schedule_font(s, form):
    """Types an amount with every digit into the schedule's amount field and learns the
    characters from the text the field shows."""
    s.key("alt+a")
    s.key("End", "shift+Home")
    s.type(LEARNT_AMOUNT[0])
    s.key("Tab")
    deadline = time.monotonic() + 5
    while True:
        reader = Reader()
        try:
            reader.learn(Picture(s.env, form).ink(AMOUNT_TEXT), LEARNT_AMOUNT[1])
            return reader
        except Failure:
            if time.monotonic() > deadline:  # the field has not shown the amount yet
                raise
            time.sleep(0.2)


def shown_rows(s, form, reader):
    """The rows the schedule's table shows whole: (payment, principal, interest, balance) as
    read off the screen, up to the first empty row; and the totals lines under it."""
    picture = Picture(s.env, form)
    rows = []
    for k in range(GRID_ROWS_SHOWN):
        top = GRID_FIRST_ROW + k * GRID_ROW_HEIGHT
        row = tuple(reader.read(picture.ink((left + 2, top, right - left - 3, 16)))
                    for left, right in zip(GRID_BORDERS[1:], GRID_BORDERS[2:]))
        if not any(row):
            break
        rows.append(row)
    totals = [tuple(reader.read(picture.ink((left, top, width, 16)))
                    for left, width in TOTALS_COLUMNS) for top in TOTALS_TOPS]
    return rows, totals


def check_shown_year(s, form, reader, rows, sums, runs, what):
    """Checks the schedule window shows the rows of a year (its first rows, and its last ones
    after Ctrl+End in the table), the year's totals and the running totals, as worked out."""
    want = [tuple(figures.plain(v) for v in r.amounts()) for r in rows]
    want_totals = [tuple(figures.money(v) for v in sums), tuple(figures.money(v) for v in runs)]
    # The year just chosen may not be painted yet.
    deadline = time.monotonic() + 5
    while ((shown_and_totals := shown_rows(s, form, reader))
           != (want[:GRID_ROWS_SHOWN], want_totals) and time.monotonic() < deadline):
        time.sleep(0.2)
    shown, totals = shown_and_totals
    check_rows_shown(shown, want[:GRID_ROWS_SHOWN], rows[0].label, what)
    check(totals == want_totals, f"{what}: the annual and running totals shown are {totals}, "
                                 f"expected {want_totals}")
    if len(want) > GRID_ROWS_SHOWN:
        s.click(form, GRID_BORDERS[0] // 2, GRID_FIRST_ROW + GRID_ROW_HEIGHT // 2)
        wx, wy, _, _ = s.geometry(form)
        s.x("mousemove", str(wx + MOUSE_ASIDE[0]), str(wy + MOUSE_ASIDE[1]))
        s.key("ctrl+End", pause=0.3)
        last = want[-GRID_ROWS_SHOWN:]
        deadline = time.monotonic() + 5
        while (shown := shown_rows(s, form, reader)[0]) != last and time.monotonic() < deadline:
            time.sleep(0.2)
        check_rows_shown(shown, last, rows[-GRID_ROWS_SHOWN].label, f"{what} after Ctrl+End")


def check_rows_shown(shown, want, first_label, what):
    """Checks the rows read off the table are the ones expected, naming the first that is
    not."""
    for k, (got, expected) in enumerate(zip(shown, want)):
        check(got == expected, f"{what}: the table's row {k + 1} (from {first_label.strip()}) "
                               f"shows (payment, principal, interest, balance) {got}, expected "
                               f"{expected}")
    check(len(shown) == len(want), f"{what}: the table shows {len(shown)} rows, not {len(want)}")


def check_shown_schedule(s, form, reader, origination, keys_and_tabs):
    """Steps through the schedule's year tabs with the keys given and checks each tab reached
    shows its rows and totals; a tab is an index into the years (0 for "All", -1 the last,
    None for a tab passed on the way)."""
    rows = figures.schedule(100000.0, 360, 8.0, origination,
                            figures.default_first_payment(origination))
    years = figures.year_totals(rows)
    everything = (rows, tuple(sum(getattr(r, n) for r in rows)
                              for n in ("payment", "principal", "interest")),
                  (rows[-1].run_payment, rows[-1].run_principal, rows[-1].run_interest))
    for keys, tab in keys_and_tabs:
        if keys:
            s.key(keys, pause=0.3)
        if tab is None:
            continue
        if tab == 0:
            check_shown_year(s, form, reader, *everything, "the \"All\" tab")
        else:
            year, members, sums, runs = years[tab - 1] if tab > 0 else years[tab]
            check_shown_year(s, form, reader, members, sums, runs, f"the year {year}")


# The preview's ">" (next page) and "Done" buttons, relative to its window.
PREVIEW_BUTTON_ROW = 21
PREVIEW_NEXT_PAGE = (313, PREVIEW_BUTTON_ROW)
PREVIEW_DONE_FROM_RIGHT = 30


@scenario(4, "amortization-schedule", needs="&Amortization...", both=True)
def amortization(s):
    main = start(s)
    title = "Amortization Schedule"
    form = open_form(s, main, "ctrl+a", title)
    reader = learn_schedule_font(s, form)
    # The help beside the modal schedule: on top when clicked, Escape closes it and nothing else.
    s.key("F1")
    shown = s.wait_window("Initial Periods")
    s.click(shown, 100, 60)
    stack = s.stacking()
    check(not stack or stack.index(shown) > stack.index(form), "a click on the help hid it")
    s.key("Escape")
    s.wait_gone("Initial Periods")
    check(s.window_shown(title), "Escape in the help closed the schedule")
    check(reader.read(Picture(s.env, form).ink(AMOUNT_TEXT)) == LEARNT_AMOUNT[1], "amount lost")
    s.key("alt+a")
    s.key("End", "shift+Home")
    s.type("100000")
    s.key("alt+i")
    s.type("360")
    s.key("alt+r")
    s.type("8")
    s.key("Tab")
    origination = datetime.date.today()
    calculate(s, form)
    pass_meter(s)
    # Step through the years: forward twice, back once, then back round "All" to the last.
    check_shown_schedule(s, form, reader, origination, (
        (None, 1), ("ctrl+Next", 2), ("ctrl+Next", 3)))
    s.key("ctrl+Prior", pause=0.3)
    docs_shot(s, form, "schedule.png")
    check_shown_schedule(s, form, reader, origination, (
        ("ctrl+Prior", None), ("ctrl+Prior", 0), ("ctrl+Prior", -1)))

    s.key("alt+s")
    charts = s.wait_window("Amortization Charts")
    docs_shot(s, charts, "schedule-charts.png")
    s.key("Escape")
    s.wait_gone("Amortization Charts")

    s.focus(form)
    s.key("ctrl+p")
    preview = run_report(s, form, "alt+v", "Amortization Schedule Preview|Report Preview")
    docs_shot(s, preview, "schedule-preview.png")
    width = s.geometry(preview)[2]
    for _ in range(3):
        s.click(preview, *PREVIEW_NEXT_PAGE)
    s.click(preview, width - PREVIEW_DONE_FROM_RIGHT, PREVIEW_BUTTON_ROW)
    s.wait_gone("Amortization Schedule Preview|Report Preview")

    s.focus(form)
    s.key("ctrl+p")
    run_report(s, form, "alt+p")
    pdf = printout(s, 1, timeout=60)
    flat = " ".join(check_printed_schedule(pdf, 8.0).split())
    for expected in ("Amortization Schedule", "Initial Loan Amount: $100,000.00",
                     "Initial Interest Rate: 8.0000", "Initial Periods: 360"):
        check_in(expected, flat, "the printed schedule")
    check(pdf_pages(pdf) >= 8, "the printed schedule is shorter than 8 pages")

    # The File destination writes the printout under the name typed for it.
    s.focus(form)
    s.key("ctrl+p")
    setup = s.wait_window("Schedule Setup|Report Setup")
    s.focus(setup)
    s.key("alt+f")
    s.key("Tab")
    chosen = os.path.join(s.root, "Schedule of the loan.pdf")
    s.type(chosen)
    print_key(s, "Return")
    s.wait_pdf(chosen, timeout=60)
    told_where(s, chosen)
    check(pdf_pages(chosen) == pdf_pages(pdf), "the schedule printed to a file has other pages")
    check(len(s.printed()) == 1, "the printout to a chosen file went to the printed folder too")
    s.focus(form)
    s.key("Escape")
    s.wait_gone(title)
    quit_program(s, main)


# -- 5 ------------------------------------------------------------------------------------------

REGISTER = "Personal Information|Loan Information"
# The record navigator's buttons (first, last, delete), relative to the register's window.
NAVIGATOR_ROW = 372
NAVIGATOR_FIRST = (21, NAVIGATOR_ROW)
NAVIGATOR_LAST = (99, NAVIGATOR_ROW)
NAVIGATOR_DELETE = (151, NAVIGATOR_ROW)


def enter_schedule_loan(s, form, rate):
    s.focus(form)
    s.key("alt+a")
    s.key("End", "shift+Home")
    s.type("100000")
    s.key("alt+i")
    s.key("End", "shift+Home")
    s.type("360")
    s.key("alt+r")
    s.key("End", "shift+Home")
    s.type(str(rate))
    s.key("Tab")
    calculate(s, form)
    pass_meter(s)


def open_register(s, form, keys):
    """Opens the register from the schedule (Ctrl+S saves, Ctrl+L loads) on the accounts step."""
    s.focus(form)
    s.key(keys)
    dialog = s.wait_window("Personal Information")
    s.focus(dialog)
    return dialog


def to_loan_of(s, dialog, account):
    """Finds the account by its first letters in the incremental search and steps on to its
    first loan (account details, the account's loans, the loan)."""
    s.type(account[:4])
    for _ in range(3):
        s.key("alt+x", pause=0.4)
    s.wait_window("Loan Information")


def navigator_delete(s, dialog, answers):
    """Presses the navigator's delete button and answers the questions with the keys given;
    returns the texts of the boxes shown."""
    s.expect_box(len(answers))
    s.click(dialog, *NAVIGATOR_DELETE)
    return [s.answer_message(dialog, key) for key in answers]


def check_saved_schedule(tables, rate):
    """Checks the register holds one loan of 100,000 over 360 months at the rate, and its rows
    in TRANS.DBF one for one as the loan's own schedule works out, from its origination date
    and first payment date as saved."""
    loans = tables["LOANS"]
    check(len(loans) == 1, f"the register holds {len(loans)} loans, not one: {loans}")
    loan = loans[0]
    check((loan["INITAMT"], loan["INITTERM"], loan["INITRATE"]) == (100000.0, 360, rate),
          f"the loan saved is not 100,000 over 360 months at {rate} %: {loan}")
    origination, first = loan["ORIGDATE"], loan["FRSTPMTDT"]
    check_dates(origination, first)
    expected = figures.schedule(100000.0, 360, rate, origination, first)
    rows = tables["TRANS"]
    check(len(rows) == len(expected),
          f"TRANS.DBF holds {len(rows)} rows, not the {len(expected)} of the schedule")
    for got, want in zip(rows, expected):
        saved = (got["LOANNO"], got["TRANSNO"], got["PMTNOYR"], got["TRANSDATE"], got["PMT"],
                 got["PRINCIPAL"], got["INTEREST"], got["PRINBAL"], got["RUNPMT"],
                 got["RUNPRIN"], got["RUNINT"])
        worked = ("1", want.number, want.label.strip(), want.date,
                  *(figures.cents(v) for v in (*want.amounts(), want.run_payment,
                                               want.run_principal, want.run_interest)))
        saved = saved[:2] + (saved[2].strip(),) + saved[3:]
        check(saved == worked,
              "a row saved in TRANS.DBF differs from the schedule worked out:\n"
              "  (loan, no., #/Yr, date, payment, principal, interest, balance, running "
              f"payment, principal, interest)\n  saved    {saved}\n  expected {worked}")


def check_dates(origination, first):
    """The origination is today (or yesterday, past midnight) and the first payment falls on
    its default day."""
    today = datetime.date.today()
    check(origination in (today, today - datetime.timedelta(days=1)),
          f"the origination date is {origination}, not today {today}")
    check(first == figures.default_first_payment(origination),
          f"the first payment is due {first}, not {figures.default_first_payment(origination)}")


# How a printed schedule writes money and dates, by regional settings.
US_PRINT = {"money": figures.money, "amount": r"\(?\$[\d,]+\.\d\d\)?",
            "date": lambda d: d.strftime("%m/%d/%y"),
            "parse_date": lambda t: datetime.datetime.strptime(t, "%m/%d/%y").date()}
GERMAN_PRINT = {"money": figures.german_money, "amount": r"-?[\d.]+,\d\d €",
                "date": lambda d: d.strftime("%d.%m.%Y"),
                "parse_date": lambda t: datetime.datetime.strptime(t, "%d.%m.%Y").date()}


def check_printed_schedule(pdf, rate, style=US_PRINT, amount=100000.0, periods=360):
    """Checks a printed schedule figure by figure against the schedule worked out for the
    loan: every row's date, payment, principal, interest and balance in order, each year's
    annual and running totals, and pages numbered one after the other, each with its own
    heading and footer. Returns the whole text."""
    text = pdf_text(pdf)
    pages = text.rstrip("\f").split("\f")
    check(len(pages) == pdf_pages(pdf), f"pdftotext found {len(pages)} of {pdf_pages(pdf)} pages")
    title = " ".join(pages[0].split())
    dates = [re.search(label + r": (\S+)", title) for label in ("Origination Date",
                                                                 "First Payment Due")]
    check(all(dates), f"the title page names no origination or first payment date:\n{pages[0]}")
    origination, first = (style["parse_date"](d.group(1)) for d in dates)
    check_dates(origination, first)
    expected = figures.schedule(amount, periods, rate, origination, first)
    money = style["money"]
    want_rows = [(r.label.strip(), style["date"](r.date), *(money(v) for v in r.amounts()))
                 for r in expected]
    want_totals = []
    for _, _, sums, runs in figures.year_totals(expected):
        want_totals += [("Annual", *(money(v) for v in sums)),
                        ("Running", *(money(v) for v in runs))]
    amount_re = style["amount"]
    row_re = re.compile(rf"^\s*(Init/\d\d|\d+/\d\d)\s+(\S+)\s+({amount_re})\s+({amount_re})"
                        rf"\s+({amount_re})\s+({amount_re})\s*$")
    total_re = re.compile(rf"^\s*(Annual|Running) Totals:\s+({amount_re})\s+({amount_re})"
                          rf"\s+({amount_re})\s*$")
    rows, totals = [], []
    for number, page in enumerate(pages[1:], start=2):
        lines = page.splitlines()
        headers = [line for line in lines if "Prepared On:" in line]
        check(len(headers) == 1 and re.search(rf"Page: {number}\s*$", headers[0]),
              f"page {number} has the headings {headers}, not one heading of page {number}")
        check(sum("Prepared For:" in line for line in lines) == 1,
              f"page {number} has not one footer:\n{page}")
        for line in lines:
            if match := row_re.match(line):
                rows.append(match.groups())
            elif match := total_re.match(line):
                totals.append(match.groups())
    for k, (got, want) in enumerate(zip(rows, want_rows)):
        check(got == want, f"printed row {k} (#/Yr, date, payment, principal, interest, "
                           f"balance) is\n  {got}, expected\n  {want}")
    check(len(rows) == len(want_rows),
          f"the printout has {len(rows)} schedule rows, not {len(want_rows)}")
    for k, (got, want) in enumerate(zip(totals, want_totals)):
        check(got == want, f"printed totals line {k} (payment, principal, interest) is\n  "
                           f"{got}, expected\n  {want}")
    check(len(totals) == len(want_totals),
          f"the printout has {len(totals)} totals lines, not {len(want_totals)}")
    return text


def settled_register_contents(s, timeout=10):
    """The register's contents once the change the program is making has ended: no record
    left marked for the pack, no register journal."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        busy = os.path.exists(s.home_file("REGISTER.JNL")) or any(
            read_dbf(s.home_file(name + ".DBF"))[1] for name in REGISTER_TABLES)
        if not busy:
            break
        time.sleep(0.2)
    return register_contents(s)


def killed_during_save(s, main, form, title):
    """Saves a third schedule (9 %) and kills the program while it saves; a new start loads
    the loan whole, with the schedule saved last or the one before it. Returns the new main
    window and schedule form."""
    enter_schedule_loan(s, form, 9)
    dialog = open_register(s, form, "ctrl+s")
    to_loan_of(s, dialog, "SMITJOH001")
    s.key("alt+s", pause=0)
    time.sleep(0.1)
    s.proc.kill()
    s.proc.wait(5)
    s.stop_program()
    main = start(s)
    form = open_form(s, main, "ctrl+a", title)
    dialog = open_register(s, form, "ctrl+l")
    to_loan_of(s, dialog, "SMITJOH001")
    s.key("alt+g", pause=0.5)
    s.wait_gone(REGISTER)
    after = settled_register_contents(s)
    rates = [r["INITRATE"] for r in after["LOANS"]]
    check(rates in ([7.5], [9.0]), f"the loan after a killed save: {after['LOANS']}")
    check_saved_schedule(after, rates[0])
    return main, form


@scenario(5, "register", needs="Loan Information")
def register(s):
    main = start(s)
    title = "Amortization Schedule"
    form = open_form(s, main, "ctrl+a", title)
    enter_schedule_loan(s, form, 8)

    # Save: a new borrower (account number generated from the names) and a new loan.
    dialog = open_register(s, form, "ctrl+s")
    s.key("alt+n", pause=0.4)
    s.fill("Smith", "John", None, "Café Müller")
    s.key("alt+x", pause=0.5)
    s.wait_window("Loan Information")
    s.key("alt+n", pause=0.5)
    s.type("Café delivery van")
    s.key("alt+s", pause=0.5)
    s.wait_gone(REGISTER)
    tables = settled_register_contents(s)
    accounts = [(r["ACCOUNTNO"], r["LASTNAME"], r["FIRSTNAME"], r["BUSINESS"])
                for r in tables["ACCNTS"]]
    check(accounts == [("DEFAULT", "", "", ""), ("SMITJOH001", "Smith", "John", "Café Müller")],
          f"the accounts after the save: {accounts}")
    loans = [(r["LOANNO"], r["COLLATERIA"], r["INITAMT"], r["INITTERM"], r["INITRATE"])
             for r in tables["LOANS"]]
    check(loans == [("1", "Café delivery van", 100000.0, 360, 8.0)],
          f"the loans after the save: {loans}")
    links = [(r["ACCOUNTNO"], r["LOANNO"]) for r in tables["XREF"]]
    check(links == [("SMITJOH001", "1")], f"the links after the save: {links}")
    check(tables["SYSINFO"][0]["LASTLOANNO"] == 1, f"the counter: {tables['SYSINFO']}")
    check_saved_schedule(tables, 8.0)

    # Nothing new to save until the schedule is calculated again.
    s.focus(form)
    s.expect_box()
    s.key("ctrl+s", pause=0.4)
    check_in("Loan not calculated or\n\nthis loan already saved.", s.answer_message(form),
             "saving the same schedule twice")

    # Saved again under the same loan, the schedule replaces its rows.
    enter_schedule_loan(s, form, 7.5)
    dialog = open_register(s, form, "ctrl+s")
    to_loan_of(s, dialog, "SMITJOH001")
    s.key("alt+s", pause=0.5)
    s.wait_gone(REGISTER)
    again = settled_register_contents(s)
    check(again["ACCNTS"] == tables["ACCNTS"] and again["XREF"] == tables["XREF"]
          and again["SYSINFO"] == tables["SYSINFO"],
          "saving under the same loan changed the accounts, links or counter")
    check([r["INITRATE"] for r in again["LOANS"]] == [7.5],
          f"the loan after the second save: {again['LOANS']}")
    check_saved_schedule(again, 7.5)

    # A fresh schedule window loads the saved rows back; its printout names the borrower.
    close_form(s, form, title)
    form = open_form(s, main, "ctrl+a", title)
    dialog = open_register(s, form, "ctrl+l")
    to_loan_of(s, dialog, "SMITJOH001")
    s.key("alt+g", pause=0.5)
    s.wait_gone(REGISTER)
    s.focus(form)
    s.key("ctrl+p")
    run_report(s, form, "alt+p")
    flat = " ".join(check_printed_schedule(printout(s, 1, timeout=60), 7.5).split())
    for expected in ("John Smith", "Initial Loan Amount: $100,000.00",
                     "Initial Interest Rate: 7.5000"):
        check_in(expected, flat, "the printout of the loaded schedule")

    # Calculated anew, the loaded schedule is a new, unsaved one: its printout names no one.
    enter_schedule_loan(s, form, 6.5)
    s.focus(form)
    s.key("ctrl+p")
    run_report(s, form, "alt+p")
    text = check_printed_schedule(printout(s, 2, timeout=60), 6.5)
    check("John Smith" not in text, "a schedule calculated anew still names the borrower")
    for line in text.splitlines():
        if "Prepared For:" in line:
            named = line.split("Prepared For:", 1)[1].split("Prepared By:", 1)[0].strip()
            check(not named, f"a schedule calculated anew is prepared for {named!r}")

    main, form = killed_during_save(s, main, form, title)

    # Deleting the loan asks twice ("STOP the deletion?" answered No) and takes its links and
    # rows with it.
    dialog = open_register(s, form, "ctrl+l")
    to_loan_of(s, dialog, "SMITJOH001")
    asked = navigator_delete(s, dialog, ("alt+y", "alt+n"))
    check_in("You are about to permanently delete loan 1", asked[0], "the first question")
    check_in("STOP the PERMANENT\n\ndeletion of YOUR data?", asked[1], "the second question")
    s.wait_window("Loan Information")
    gone = settled_register_contents(s)
    check(gone["LOANS"] == [] and gone["XREF"] == [] and gone["TRANS"] == [],
          f"the loan's records outlived it: {gone}")
    check(gone["ACCNTS"] == tables["ACCNTS"], "deleting the loan changed the accounts")

    # Back on the accounts: DEFAULT is refused, a No keeps the account, Yes then No deletes it.
    s.focus(dialog)
    s.key("alt+p", pause=0.4)
    s.key("alt+p", pause=0.4)
    s.wait_window("Personal Information")
    s.click(dialog, *NAVIGATOR_FIRST)
    refused = navigator_delete(s, dialog, ("Return",))
    check_in("The DEFAULT account cannot be deleted.", refused[0], "deleting DEFAULT")
    s.click(dialog, *NAVIGATOR_LAST)
    kept = navigator_delete(s, dialog, ("alt+n", "Return"))
    check_in("You are about to permanently delete all SMITJOH001", kept[0], "the first question")
    check_in("was canceled by the user.", kept[1], "the cancelled deletion")
    check(register_contents(s) == gone, "a cancelled deletion changed the tables")
    navigator_delete(s, dialog, ("alt+y", "alt+n"))
    final = settled_register_contents(s)
    check([r["ACCOUNTNO"] for r in final["ACCNTS"]] == ["DEFAULT"],
          f"the accounts after deleting SMITJOH001: {final['ACCNTS']}")
    check(final["LOANS"] == [] and final["XREF"] == [] and final["TRANS"] == [],
          f"records outlived the deleted account: {final}")
    s.focus(dialog)
    s.key("Escape")
    s.wait_gone(REGISTER)

    # Cancel after starting a new loan: the account posted on its step stays, the loan and its
    # link go, and no saved row is left behind.
    enter_schedule_loan(s, form, 8)
    dialog = open_register(s, form, "ctrl+s")
    s.key("alt+n", pause=0.4)
    s.fill("Doe", "Jane")
    s.key("alt+x", pause=0.5)
    s.wait_window("Loan Information")
    s.key("alt+n", pause=0.5)
    s.type("Boat")
    s.key("Escape")
    s.wait_gone(REGISTER)
    cancelled = register_contents(s)
    check([r["ACCOUNTNO"] for r in cancelled["ACCNTS"]] == ["DEFAULT", "DOEJAN001"],
          f"the accounts after a cancelled save: {cancelled['ACCNTS']}")
    check(cancelled["LOANS"] == [] and cancelled["XREF"] == [] and cancelled["TRANS"] == [],
          f"a cancelled save left a loan, a link or rows: {cancelled}")
    close_form(s, form, title)
    quit_program(s, main)


# -- 6 ------------------------------------------------------------------------------------------

LEASE_PAGES = (
    # Typed field after field on each input page; Next (Alt+X) goes on, Calc on the last.
    ("Café delivery van", "Zoë Müller", 8, 100, 30, 20, 1),
    (30000, 6, None, 3000, 8, 48),
    (600, 48, None, 6),
    (None, 5),
)


# The results page's More button, relative to the advisor's window.
LEASE_MORE_BUTTON = (131, 400)

# A "*.LB" file: one 228-byte record (signature 10, version 260, the asset's name as a counted
# Windows-1252 text at byte 4, the price as a little-endian double at byte 92).
LB_SIZE = 228
LB_SAVED_AS = "Café van"
LB_REFUSALS = (
    # file name, what is done to the saved bytes, the message its opening must show
    ("Truncated.LB", lambda b: b[:200], "File NOT a Lease v. Buy Advisor file."),
    ("Wrong bytes.LB", lambda b: b[:4] + bytes([200]) + b[5:],
     "File NOT a Lease v. Buy Advisor file."),
    ("No price.LB", lambda b: b[:92] + struct.pack("<d", float("nan")) + b[100:],
     "File NOT a Lease v. Buy Advisor file."),
    ("Older.LB", lambda b: b[:2] + struct.pack("<H", 259) + b[4:],
     "File NOT current version of Lease v. Buy Advisor file."),
)


def lease_file_command(s, form, downs, title):
    """Pops up the File button's menu (Alt+F), picks Open... (one Down) or Save... (two) and
    waits for the file dialog."""
    s.focus(form)
    s.key("alt+f", pause=0.4)
    s.key(*["Down"] * downs, "Return", pause=0.4)
    dialog = s.wait_window(title)
    s.focus(dialog)
    return dialog


def lease_file_dialog(s, form, downs, title, name):
    """Types a file name into the file dialog and accepts it with Return."""
    dialog = lease_file_command(s, form, downs, title)
    s.key("ctrl+a")
    s.type(name)
    s.key("Return", pause=0.4)
    s.wait_gone(title)
    return dialog


def field_text(s, form):
    """The whole text of the focused field, copied with Ctrl+C ("" when it copies nothing)."""
    s.focus(form)
    s.key("Home", "shift+End")
    s.clear_clipboard()
    s.key("ctrl+c")
    try:
        return s.clipboard(timeout=1, changed_from=s.marker)
    except Failure:
        return ""


def check_lease_file(path):
    check(os.path.exists(path), f"no file {path} after saving")
    with open(path, "rb") as f:
        data = f.read()
    check(len(data) == LB_SIZE, f"the saved file holds {len(data)} bytes, not {LB_SIZE}")
    check(struct.unpack_from("<HH", data, 0) == (10, 260),
          f"the saved file starts {data[:4]!r}, not signature 10 and version 260")
    asset = data[5:5 + data[4]].decode("cp1252")
    check(asset == "Café delivery van", f"the saved file names the asset {asset!r}")
    price = struct.unpack_from("<d", data, 92)[0]
    check(price == 30000.0, f"the saved file holds the price {price}")
    return data


@scenario(6, "lease-versus-buy", needs="&Lease v. Buy...")
def lease_versus_buy(s):
    main = start(s)
    title = "Lease vs. Buy Advisor 1"
    form = open_form(s, main, "ctrl+l", title)
    for k, values in enumerate(LEASE_PAGES):
        s.fill(*values)
        s.key("Tab")
        if k < len(LEASE_PAGES) - 1:
            s.key("alt+x", pause=0.4)
    calculate(s, form)
    analysis = s.copied()
    narrative = " ".join(analysis.split())
    # The price less the down payment financed over 48 months at 8 %, the 6 % sales tax paid
    # up front, 48 lease payments of 600.
    financed = 30000 - 3000
    paid = figures.total_paid(financed, 48, figures.periodic_rate(8))
    for expected in ("Asset to be bought or leased?: Café delivery van",
                     "Prospective buyer or lessee?: Zoë Müller",
                     "the acquisition of the Café delivery van",
                     f"the amount being financed is {figures.money(financed)}",
                     f"the total of the 48 payments will be -{figures.money(paid)}",
                     f"an up front charge of -{figures.money(0.06 * 30000)}",
                     f"total of the 48 lease payments will be -{figures.money(48 * 600)}",
                     "leasing is the best course to follow"):
        check_in(expected, narrative, "the copied lease-versus-buy analysis")
    # The bottom line's difference is the two present values' difference.
    bottom = re.search(r"financing will cost (\S+) more than leasing \((\S+) vs\. (\S+)\)",
                       narrative)
    check(bottom is not None, f"the analysis has no bottom line:\n{analysis}")
    more, buying, leasing = (float(v.strip("$").replace(",", "")) for v in bottom.groups())
    check(figures.cents(buying - leasing) == more,
          f"the bottom line's difference is not {buying} less {leasing}: {bottom.group(0)}")
    print_key(s)
    printed = " ".join(pdf_text(printout(s, 1)).split())
    for expected in ("Café delivery van", "Zoë Müller", bottom.group(0)):
        check_in(expected, printed, "the printed lease-versus-buy analysis")
    # More (a button without a mnemonic) shows the cash-flow table; the same button then reads
    # Charts and opens the break-even charts over the advisor until Escape.
    s.click(form, *LEASE_MORE_BUTTON)
    time.sleep(0.5)
    docs_shot(s, form, "lease-cash-flow.png")
    s.click(form, *LEASE_MORE_BUTTON)
    charts = "Lease vs. Buy Break-Even Charts"
    s.focus(s.wait_window(charts))
    s.key("Escape")
    s.wait_gone(charts)

    # File, Save...: the name is typed without its extension, which the program adds.
    lease_file_dialog(s, form, 2, "Save As", LB_SAVED_AS)
    saved = check_lease_file(os.path.join(s.root, LB_SAVED_AS + ".LB"))
    close_form(s, form, title)
    quit_program(s, main)

    # A fresh start knows nothing of the inputs until the file is opened again.
    main = start(s)
    form = open_form(s, main, "ctrl+l", title)
    empty = field_text(s, form)
    check(empty == "", f"a fresh start shows the asset {empty!r} before any file is opened")
    lease_file_dialog(s, form, 1, "Open", LB_SAVED_AS + ".LB")
    asset = field_text(s, form)
    check(asset == "Café delivery van", f"the reopened file shows the asset {asset!r}")
    for _ in range(len(LEASE_PAGES) - 1):
        s.key("alt+x", pause=0.4)
    calculate(s, form)
    reopened = s.copied()
    check(reopened == analysis,
          f"the reopened file gives another analysis:\n{reopened}\n--- before saving:\n{analysis}")
    print_key(s)
    reprinted = " ".join(pdf_text(printout(s, 2)).split())
    for expected in ("Café delivery van", "Zoë Müller", "$30,000.00", bottom.group(0)):
        check_in(expected, reprinted, "the printout of the reopened file")

    # Saving again under the same name typed without its extension asks before replacing the
    # file; No keeps it and the dialog stays until it is cancelled.
    saved_path = os.path.join(s.root, LB_SAVED_AS + ".LB")
    stamp = os.stat(saved_path).st_mtime_ns
    dialog = lease_file_command(s, form, 2, "Save As")
    s.key("ctrl+a")
    s.type(LB_SAVED_AS)
    s.expect_box()
    s.key("Return", pause=0.4)
    question = s.newest_window(after=dialog)
    s.focus(question)
    s.key("alt+n", pause=0.4, check_after=False)
    s.boxes_expected -= 1
    check(question not in s.visible_windows(), "the question about replacing the file stayed")
    check(dialog in s.visible_windows(), "No to replacing the file closed the file dialog")
    s.focus(dialog)
    s.key("Escape")
    s.wait_gone("Save As")
    check(os.stat(saved_path).st_mtime_ns == stamp, "the file was written over without asking")

    # Damaged files are refused with their message, the inputs stay and the program goes on.
    for name, damage, message in LB_REFUSALS:
        with open(os.path.join(s.root, name), "wb") as f:
            f.write(damage(saved))
        lease_file_command(s, form, 1, "Open")
        s.key("ctrl+a")
        s.type(name)
        s.expect_box()
        s.key("Return", pause=0.4)
        text = s.answer_message(form)
        check_in(message, text, f"opening {name}")
        s.wait_gone("Open")
    s.focus(form)
    check(s.copied() == analysis, "a refused file changed the inputs")
    s.key("alt+i", pause=0.4)
    s.key("alt+c", pause=0.5)
    check(s.copied() == analysis, "calculating after the refused files gave another analysis")
    close_form(s, form, title)
    quit_program(s, main)


# -- 7 ------------------------------------------------------------------------------------------

# Field centres on the points advisor's first page, relative to its window.
POINTS_COLUMNS = (287, 427)
POINTS_ROWS = (115, 141, 167, 193)
POINTS_SOLD_AFTER = (287, 245)


@scenario(7, "points-advisor")
def points_advisor(s):
    main = start(s)
    title = "Points Advisor 1"
    form = open_form(s, main, "ctrl+p", title)
    loans = ((100000, 360, 8.5, 2.5), (100000, 360, 8.25, 3))
    for x, values in zip(POINTS_COLUMNS, loans):
        for y, value in zip(POINTS_ROWS, values):
            s.set_field(form, x, y, value)
    s.set_field(form, *POINTS_SOLD_AFTER, 7)
    calculate(s, form)
    conclusion = s.copied()  # Cop&y, inside the conclusion's group box
    first, second = (figures.money(figures.payment(100000, 360, figures.periodic_rate(rate)))
                     for rate in (8.5, 8.25))
    interest = [figures.money(figures.interest_paid(100000, 360, figures.periodic_rate(rate), 84))
                for rate in (8.5, 8.25)]
    for expected in (f"payment for loan 1 will be {first}",
                     f"for loan 2 will be {second}",
                     f"After 84 monthly payments or 7 years, you'll have paid {interest[0]} in "
                     "interest alone for loan 1",
                     f"another {figures.money(0.025 * 100000)} in points",
                     f"For loan 2 you'll have paid {interest[1]} in interest",
                     f"another {figures.money(0.03 * 100000)} in points"):
        check_in(expected, " ".join(conclusion.split()), "the copied conclusion")
    saving = (figures.points_cost(100000, 360, 8.5, 2.5, 7)
              - figures.points_cost(100000, 360, 8.25, 3, 7))
    check_in(f"loan 2 will save you {figures.money(saving)}", " ".join(conclusion.split()),
             "the copied conclusion")
    print_key(s)
    printed = " ".join(pdf_text(printout(s, 1)).split())
    for expected in ("Points Advisor 1", first, second, "best value"):
        check_in(expected, printed, "the points printout")
    # Prior goes back to the loans as typed; Calc works again from there.
    s.focus(form)
    s.key("alt+i", pause=0.4)
    s.key("alt+c", pause=0.4)
    check(" ".join(s.copied().split()) == " ".join(conclusion.split()),
          "calculating again from the same loans gave another conclusion")
    close_form(s, form, title)
    quit_program(s, main)


# -- 8 ------------------------------------------------------------------------------------------

# A place on the docked toolbar right of its last button: double-clicking there floats the bar.
TOOLBAR_FREE_SPOT = (459, 40)
# A place in the main window's empty client area, left of where the floating bar lands.
MAIN_FREE_SPOT = (100, 300)


def toolbar_status(s):
    registry = read_ini(s.home_file("registry.ini"))
    for section, values in registry.items():
        if section.endswith("DTOOLBAR1"):
            return values.get("STATUS", "").strip('"')
    raise Failure(f"registry.ini keeps no toolbar: {registry}")


def floating_bar(s):
    bars = [w for w, n in s.visible_windows().items() if n == "vantrel"]
    check(len(bars) == 1, f"no floating toolbar: {s.visible_windows()}")
    return bars[0]


def check_bar_above(s, bar, main, when):
    """Under a window manager, checks the floating toolbar is stacked above the main window."""
    if s.window_manager:
        order = s.stacking()
        check(bar in order and main in order and order.index(bar) > order.index(main),
              f"{when}, the floating toolbar is not above the main window: {order}")


def menu_bar_bottom(s, main):
    """The screen row right below the main window's menu bar: the first row down the window's
    right edge whose colour is not the menu bar's."""
    picture = Picture(s.env, main)
    column = picture.width - 3
    bar = picture.colour(column, 0)
    rows = next(y for y in range(picture.height) if picture.colour(column, y) != bar)
    return s.geometry(main)[1] + rows


@scenario(8, "preferences-and-positions", both=True)
def preferences_and_positions(s):
    main = start(s)
    s.focus(main)
    s.key("alt+o")
    s.key("s")                       # Options, Show Hints: on
    menu_bottom = menu_bar_bottom(s, main)
    wid = main
    s.x("mousemove", "--sync", *(str(a + b) for a, b in zip(s.geometry(wid)[:2],
                                                         TOOLBAR_FREE_SPOT)))
    s.x("click", "--repeat", "2", "--delay", "80", "1")
    time.sleep(0.5)
    # The first float is one column, all of it inside the work area, above the main window,
    # clear of its title and menu bar.
    bar = floating_bar(s)
    inside(s, bar, "the floating toolbar")
    x, top, width, _ = s.frame(main)
    bx, by, bw, bh = s.frame(bar)
    check(bx >= x + width or bx + bw <= x or by >= menu_bottom or by + bh <= top,
          f"the floating toolbar at {bx},{by} covers the title or menu bar above {menu_bottom}")
    check_bar_above(s, bar, main, "floated")
    quit_program(s, main)
    prefs = read_ini(s.home_file("vtrx2532.ini")).get("PREFERENCES", {})
    check(prefs.get("SHOWHINTS") == "1", f"Show Hints was not kept: {prefs}")
    check(toolbar_status(s) == "4", "the toolbar was not kept floating")

    main = start(s)
    # The bar comes back as its own window where it was left, above the main window, and
    # stays above it when the main window is clicked.  Without a window manager nothing keeps
    # it above the main window it belongs to, so it is raised for the picture.
    bar = floating_bar(s)
    x, y, width, height = s.geometry(bar)
    check(height > 5 * width, f"the floating toolbar is {width}x{height}, not one column")
    registry = next(v for k, v in read_ini(s.home_file("registry.ini")).items()
                    if k.endswith("DTOOLBAR1"))
    check((str(x), str(y)) == (registry["FLOATLEFT"].strip('"'), registry["FLOATTOP"].strip('"')),
          f"the floating toolbar is at {x},{y}, not where it was left: {registry}")
    check_bar_above(s, bar, main, "after the restart")
    s.click(main, *MAIN_FREE_SPOT)
    check_bar_above(s, bar, main, "after a click on the main window")
    if not s.window_manager:
        s.x("windowraise", bar)
    docs_shot(s, main, "main-window-floating-toolbar.png", also=bar)
    # Show Hints came back checked: choosing it again turns it off.
    s.focus(main)
    s.key("alt+o")
    s.key("s")
    quit_program(s, main)
    prefs = read_ini(s.home_file("vtrx2532.ini")).get("PREFERENCES", {})
    check(prefs.get("SHOWHINTS") == "0",
          f"Show Hints did not come back checked after the restart: {prefs}")
    check(toolbar_status(s) == "4", "the toolbar did not come back floating after the restart")


# -- 9 ------------------------------------------------------------------------------------------

# The conclusion memo on the points advisor's second page, relative to its window.
POINTS_MEMO = (250, 200)
# Every accented letter here has a key of its own on the test display (driver.ACCENTED_KEYSYMS),
# the capitals on its Shift level.
ACCENTED = ("Remarque de Zoë Müller: café crème, naïve façade, 5 € à l'hôtel, señor. "
            "Ça va, Émile? ÀÖÜ.")


@scenario(9, "accented-text")
def accented_text(s):
    main = start(s)
    title = "Points Advisor 1"
    form = open_form(s, main, "ctrl+p", title)
    for x, values in zip(POINTS_COLUMNS, ((100000, 360, 8.5, 2.5), (100000, 360, 8.25, 3))):
        for y, value in zip(POINTS_ROWS, values):
            s.set_field(form, x, y, value)
    s.set_field(form, *POINTS_SOLD_AFTER, 7)
    calculate(s, form)
    # The conclusion may be edited: a note typed at its end goes with the copy and the print.
    s.click(form, *POINTS_MEMO)
    s.key("ctrl+End", "Return")
    s.type(ACCENTED)
    copied = s.copied()
    check_in(ACCENTED, copied, "the copied conclusion")
    check_in("best value.", copied, "the copied conclusion")
    print_key(s)
    printed = pdf_text(printout(s, 1))
    check_in(ACCENTED, " ".join(printed.split()), "the printed conclusion")
    # The memo keeps Escape for itself; back on the first page Escape closes the window.
    s.focus(form)
    s.key("alt+i")
    close_form(s, form, title)
    quit_program(s, main)


# -- 10 -----------------------------------------------------------------------------------------

def us_date(day):
    """A date as the copies write it: month/day/year without blanks."""
    return f"{day.month}/{day.day}/{day.year}"


def interest_due_dates(s, form):
    """The start and end dates of the interest-due calculator's copy, and its number of days."""
    summary = s.copied()
    start = copied_row(summary, "Start Date?:").split()[-1]
    end = copied_row(summary, "End Date?:").split()[-1]
    return start, end, copied_row(summary, "Number of Days? (#):")


@scenario(10, "typed-as-typed")
def typed_as_typed(s):
    """What is typed is what the calculators compute with: a date typed into the interest-due
    calculator, a negative day count with its sign first or last, an amount with its minus
    first, a billion the amount has no place for, and a result too large for its field, refused
    with a message that names it."""
    main = start(s)
    today = datetime.date.today()
    title = "Compound & Simple Interest Calculator 1"
    form = open_form(s, main, "F3", title)
    # The end date, digit after digit from its first place; the days follow it.
    s.key("alt+t", "Home")
    s.type("03152027")
    s.key("Tab")
    first, last, days = interest_due_dates(s, form)
    typed = datetime.date(2027, 3, 15)
    check(last == us_date(typed), f"the end date typed as 03152027 reads {last}")
    check(first == us_date(today), f"the start date moved to {first}")
    check(days == f"{(typed - today).days:,}", f"the days are {days} to {last}")
    # Between two dates typed, a negative count, its sign typed first or last, counts back from
    # the end date and leaves it as typed.
    for count in ("-45", "45-"):
        s.key("alt+e", pause=0.4)
        s.key("alt+s", "Home")
        s.type("01152027")
        s.key("alt+t", "Home")
        s.type("03152027")
        s.key("alt+n")
        s.type(count)
        s.key("Tab")
        first, last, days = interest_due_dates(s, form)
        check(days == "-45", f"{count} typed gives {days} days")
        check(first == us_date(typed - datetime.timedelta(days=45)),
              f"{count} typed puts the start date at {first}")
        check(last == us_date(typed), f"{count} typed puts the end date at {last}")
    close_form(s, form, title)

    title = "Loan Calculator 1"
    form = open_form(s, main, "F2", title)
    # A tenth digit has no place in the amount: a billion stays a hundred million.
    s.type("1000000000")
    s.key("Tab")
    summary = s.copied()
    check(copied_row(summary, "Amount of Loan?:") == "$100,000,000.00",
          f"a billion typed into the amount became:\n{summary}")
    s.key("shift+Tab")
    s.type("-5000")
    s.fill(None, 12, 12)
    s.key("Tab")
    calculate(s, form)
    summary = s.copied()
    # Negative money is written as the regional settings say: "($5,000.00)" or "-$5,000.00".
    check(copied_row(summary, "Amount of Loan?:") in ("($5,000.00)", "-$5,000.00"),
          f"-5000 typed into the amount became:\n{summary}")
    small = figures.money(figures.payment(-5000, 12, figures.periodic_rate(12)))
    check(copied_row(summary, "Periodic Payment:") in (small, "-" + small.strip("()")),
          f"the payment of -5000 over 12 months at 12 % is not {small}:\n{summary}")
    total = copied_row(summary, "Total Interest:")
    # Total interest past the field's nine digits is refused, and nothing of it is kept (Reset
    # leaves the total interest as it was).
    s.key("alt+e", pause=0.4)
    s.key("alt+a")
    s.fill(10000000, 32767, 8)
    s.key("Tab")
    rate = figures.periodic_rate(8)
    too_much = 32767 * figures.payment(10000000, 32767, rate) - 10000000
    refused(s, form, f"Total Interest would be {figures.plain(too_much)},\n\nmore than its field "
                     "can show ($999,999,999.99).")
    summary = s.copied()
    check(copied_row(summary, "Total Interest:") == total, summary)
    check(copied_row(summary, "Periodic Payment:") == "$0.00", summary)
    s.key("alt+t")
    s.type("360")
    s.key("Tab")
    calculate(s, form)
    summary = s.copied()
    large = figures.money(figures.payment(10000000, 360, rate))
    check(copied_row(summary, "Periodic Payment:") == large,
          f"the payment of 10,000,000 over 360 months at 8 % is not {large}:\n{summary}")
    close_form(s, form, title)
    quit_program(s, main)

# -- 11 -----------------------------------------------------------------------------------------

def drag_window_program(s):
    """The window of the drag-and-drop scenario: named by the test's environment, else found in
    the build tree beside the program."""
    from driver import Skipped
    program = os.environ.get("VANTREL_E2E_DRAG_WINDOW") or os.path.join(
        os.path.dirname(s.app), os.pardir, "tests", "e2e", "drag_window")
    if not os.access(program, os.X_OK):
        raise Skipped(f"no drag window at {program}")
    return program


def said(s, prefix):
    """The lines the running window wrote to its standard error that start with the prefix."""
    return [line for line in s.stderr().splitlines() if line.startswith(prefix)]


def wait_said(s, prefix, count, timeout=10):
    deadline = time.monotonic() + timeout
    while len(said(s, prefix)) < count:
        if time.monotonic() > deadline:
            raise Failure(f"fewer than {count} lines {prefix!r} within {timeout} s:\n{s.stderr()}")
        time.sleep(0.1)
    return said(s, prefix)


@scenario(11, "drag-and-drop")
def drag_and_drop(s):
    # The program has no place where a user drags: a window of the same notebook, picture and
    # table controls stands in, and tells on its standard error what was dropped where.
    watch(s)
    s.start_program(program=drag_window_program(s))
    wid = s.wait_window("Drag and drop")
    points = {line.split()[1]: (int(line.split()[2]), int(line.split()[3]))
              for line in wait_said(s, "point ", 4)}
    wx, wy, _, _ = s.geometry(wid)

    def at(name):
        return wx + points[name][0], wy + points[name][1]

    # The picture on the notebook's page dropped on a cell lands there; the cell's middle is
    # (160, 70) in the table: columns of 40 and 80 and the heading and two rows of 20 before it.
    s.drag(at("picture"), at("cell"))
    ends = wait_said(s, "end: ", 1)
    check(said(s, "drop on ") == ["drop on row 3 column 2"], f"the drops: {said(s, 'drop on ')}")
    check(ends == ["end: Table at 160,70"], f"the end of the first drag: {ends}")
    # The heading row refuses it.
    s.drag(at("picture"), at("heading"))
    ends = wait_said(s, "end: ", 2)
    check(ends[1] == "end: no target", f"the end of a refused drag: {ends[1]}")
    # Escape ends a drag: nothing drops where the button then goes up.
    s.focus(wid)
    start, end = at("picture"), at("other")
    s.x("mousemove", "--sync", str(start[0]), str(start[1]))
    s.x("mousedown", "1")
    for k in range(1, 6):
        s.x("mousemove", "--sync", str(start[0] + (end[0] - start[0]) * k // 5),
            str(start[1] + (end[1] - start[1]) * k // 5))
        time.sleep(0.03)
    s.key("Escape")
    ends = wait_said(s, "end: ", 3)
    s.x("mouseup", "1")
    time.sleep(0.3)
    check(ends[2] == "end: no target", f"the end of a drag given up with Escape: {ends[2]}")
    check(said(s, "drop on ") == ["drop on row 3 column 2"],
          f"the drops after Escape and a refusal: {said(s, 'drop on ')}")
    # Alt+F4 closes the window and it ends cleanly.
    s.focus(wid)
    s.key("alt+F4")
    s.wait_exit()


# -- 12 -----------------------------------------------------------------------------------------

def mean_brightness(path, box):
    """The mean brightness (0 black to 1 white) of a box (x, y, width, height) of a picture."""
    x, y, w, h = box
    return float(run_tool(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                           "-colorspace", "gray", "-format", "%[fx:mean]", "info:"], timeout=20))


def differing_pixels(first, second, box):
    """How many pixels of a box of two pictures of the same screen differ enough to be seen."""
    x, y, w, h = box
    crops = []
    for k, path in enumerate((first, second)):
        crop = f"{path}.crop{k}.png"
        run_tool(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", crop], timeout=20)
        crops.append(crop)
    # compare writes its count to standard error and exits 1 when the pictures differ.
    done = subprocess.run(["compare", "-metric", "AE", "-fuzz", "25%", *crops, "null:"],
                          capture_output=True, timeout=20)
    return int(float(done.stderr.decode().split()[0]))


@scenario(12, "toolbar-drag-outline")
def toolbar_drag_outline(s):
    """While the docked toolbar is dragged on an X server without a compositing manager, the
    screen keeps showing the windows, with the drag outline around the mouse: seen over the
    main window and over the black desktop beside it alike."""
    run_tool(["xsetroot", "-solid", "black"], env=s.env)
    main = start(s)
    wx, wy, width, height = s.geometry(main)
    frame_x, _, frame_width, _ = s.frame(main)
    right = frame_x + frame_width
    before = s.screenshot(os.path.join(s.artifacts, "drag-before.png"))
    grab = (wx + TOOLBAR_FREE_SPOT[0], wy + TOOLBAR_FREE_SPOT[1])
    to = (wx + width // 2, wy + height // 2 + 60)
    s.x("mousemove", "--sync", *map(str, grab))
    s.x("mousedown", "1")
    s.move_held(grab, to, pause=0.05)
    time.sleep(0.5)
    dragging = s.screenshot(os.path.join(s.artifacts, "drag-outline.png"))
    # Then on to the desktop right of the main window.
    desktop = ((right + SCREEN_SIZE[0]) // 2, to[1])
    s.move_held(to, desktop, pause=0.05)
    time.sleep(0.5)
    on_desktop = s.screenshot(os.path.join(s.artifacts, "drag-outline-desktop.png"))
    s.x("mouseup", "1")
    time.sleep(0.5)
    s.assert_running()
    window = (wx, wy, width, height)
    light = mean_brightness(before, window)
    shown = mean_brightness(dragging, window)
    check(shown > 0.8 * light,
          f"the main window went dark while the toolbar was dragged: brightness {shown:.2f} "
          f"against {light:.2f} before (see {dragging})")
    around = (max(0, to[0] - 150), max(0, to[1] - 100), 300, 200)
    changed = differing_pixels(before, dragging, around)
    check(changed > 50, f"no drag outline seen over the main window: {changed} pixels changed "
          f"(see {dragging})")
    beside = (right + 1, desktop[1] - 100, SCREEN_SIZE[0] - right - 1, 200)
    check(mean_brightness(before, beside) < 0.05, "the desktop beside the window is not black")
    changed = differing_pixels(before, on_desktop, beside)
    check(changed > 50, f"no drag outline seen over the black desktop: {changed} pixels changed "
          f"(see {on_desktop})")
    floating_bar(s)
    quit_program(s, main)


# -- 13 -----------------------------------------------------------------------------------------

GERMAN = "de_DE.UTF-8"


def use_locale(s, name):
    """Runs the program under a locale compiled by the C library's localedef into the session's
    own folder (LOCPATH), so that no locale needs installing on the machine."""
    folder = os.path.join(s.root, "locales")
    os.makedirs(folder, exist_ok=True)
    language, charset = name.split(".")
    done = subprocess.run(["localedef", "-i", language, "-f", charset,
                           os.path.join(folder, name)], capture_output=True, timeout=120)
    check(done.returncode in (0, 1) and os.path.isdir(os.path.join(folder, name)),
          f"localedef could not make {name}: {done.stderr.decode(errors='replace')}")
    s.env.update({"LOCPATH": folder, "LANG": name, "LC_ALL": name})


def money_after(label, text):
    """The amount after a label of a printout ("Periodic Payment:   682,18 €")."""
    match = re.search(re.escape(label) + r"\s+(\S+ €)", text)
    check(match is not None, f"no amount after {label!r} in:\n{text}")
    return match.group(1)


@scenario(13, "german-locale")
def german_locale(s):
    use_locale(s, GERMAN)
    main = start(s)
    # The first run made the profile from the locale, in UTF-8.
    with open(s.home_file("WIN.INI"), encoding="utf-8") as f:
        profile = f.read()
    for entry in ("iCountry=49", "sDecimal=,", "sThousand=.", "sCurrency=€", "iCurrency=3",
                  "sShortDate=dd.MM.yyyy"):
        check_in(entry, profile, "the WIN.INI made under de_DE")

    # The loan calculator takes a rate typed with the decimal comma and shows euros.
    title = "Loan Calculator 1"
    form = open_form(s, main, "F2", title)
    s.fill(100000, 360, "7,25")
    s.key("Tab")
    calculate(s, form)
    summary = s.copied()
    check(copied_row(summary, "Amount of Loan?:") == "100.000,00 €", summary)
    check(copied_row(summary, "Annual Rate? (%):") == "7,25", summary)
    level = figures.payment(100000, 360, figures.periodic_rate(7.25))
    check(copied_row(summary, "Periodic Payment:") == figures.german_money(level), summary)
    check(copied_row(summary, "Total Interest:") == figures.german_money(360 * level - 100000),
          summary)
    print_key(s)
    text = pdf_text(printout(s, 1))
    check(money_after("Periodic Payment:", text) == figures.german_money(level), text)
    close_form(s, form, title)

    # The schedule: German dates and amounts on the form and on paper.
    title = "Amortization Schedule"
    form = open_form(s, main, "ctrl+a", title)
    enter_schedule_loan(s, form, 8)
    s.key("ctrl+p")
    run_report(s, form, "alt+p")
    flat = " ".join(check_printed_schedule(printout(s, 2, timeout=60), 8.0,
                                           GERMAN_PRINT).split())
    for expected in ("Initial Loan Amount: 100.000,00 €", "Initial Interest Rate: 8,0000"):
        check_in(expected, flat, "the schedule printed under de_DE")
    check(re.search(r"Origination Date: \d\d\.\d\d\.\d{4}", flat) is not None,
          f"the origination date is not day.month.year:\n{flat}")

    # The register: a borrower and a loan saved with the schedule, their numbers as numbers.
    open_register(s, form, "ctrl+s")
    s.key("alt+n", pause=0.4)
    s.fill("Müller", "Anna")
    s.key("alt+x", pause=0.5)
    s.wait_window("Loan Information")
    s.key("alt+n", pause=0.5)
    s.type("Wohnung in Köln")
    s.key("alt+s", pause=0.5)
    s.wait_gone(REGISTER)
    tables = register_contents(s)
    loans = [(r["COLLATERIA"], r["INITAMT"], r["INITTERM"], r["INITRATE"])
             for r in tables["LOANS"]]
    check(loans == [("Wohnung in Köln", 100000.0, 360, 8.0)], f"the loans saved: {loans}")
    accounts = [(r["ACCOUNTNO"], r["LASTNAME"]) for r in tables["ACCNTS"]]
    check(("MÜLLANN001", "Müller") in accounts, f"the accounts saved: {accounts}")
    check_saved_schedule(tables, 8.0)
    close_form(s, form, title)
    quit_program(s, main)


# -- 14 -----------------------------------------------------------------------------------------

# The forms the main window opens into its slots: key, caption without the slot number, slots.
SLOT_FORMS = (
    ("F2", "Loan Calculator", 2),
    ("F3", "Compound & Simple Interest Calculator", 2),
    ("F4", "Remaining Balance Calculator", 2),
    ("F5", "Accelerated Payment Calculator", 2),
    ("F6", "Balloon Payment Calculator", 2),
    ("F7", "Affordable House", 2),
    ("ctrl+r", "Refinance Advisor", 1),
    ("ctrl+p", "Points Advisor", 1),
    ("ctrl+l", "Lease vs. Buy Advisor", 1),
)
# The main window's modal forms: keys, title.
MODAL_FORMS = (
    (("ctrl+a",), "Amortization Schedule"),
    (("alt+h", "a"), "About"),
)
# The toolbar's buttons by the keys of the same commands, left to right: the first button's
# centre relative to the main window, and the step between buttons in tenths of a pixel.
TOOLBAR_BUTTONS = ("F2", "F3", "F4", "F5", "F6", "F7", "ctrl+a", "ctrl+l", "ctrl+p", "ctrl+r")
TOOLBAR_FIRST = (21, 40)
TOOLBAR_STEP_TENTHS = 382
# How far below the main window's top its menu bar and docked toolbar reach.
MAIN_BARS_HEIGHT = 60


def open_by(s, main, key, how):
    """Opens a form of the main window by its key or (how == "toolbar") its toolbar button."""
    s.focus(main)
    if how == "toolbar":
        k = TOOLBAR_BUTTONS.index(key)
        s.click(main, TOOLBAR_FIRST[0] + k * TOOLBAR_STEP_TENTHS // 10, TOOLBAR_FIRST[1])
    else:
        s.key(key, pause=0.4)


@scenario(14, "forms-three-times", both=True)
def forms_three_times(s):
    main = start(s)
    s.check_shown(main, "the main window")
    inside(s, main, "the main window")
    main_top = s.geometry(main)[1]
    for round_ in range(3):
        how = "toolbar" if round_ == 2 else "keys"
        for key, caption, slots in SLOT_FORMS:
            forms = []
            for slot in range(1, slots + 1):
                title = f"{caption} {slot}"
                open_by(s, main, key, how)
                wid = s.wait_window(re.escape(title))
                what = f"{title} (opened by {how}, round {round_ + 1})"
                s.check_shown(wid, what)
                inside(s, wid, what)
                top = s.frame(wid)[1]
                check(top >= main_top + MAIN_BARS_HEIGHT,
                      f"{what} opens at {top}, over the main window's bars (which end at "
                      f"{main_top + MAIN_BARS_HEIGHT})")
                forms.append((wid, title))
            places = {s.frame(wid)[:2] for wid, _ in forms}
            check(len(places) == len(forms), f"the {caption}s open on one another at {places}")
            for wid, title in reversed(forms):
                close_form(s, wid, re.escape(title))
        for keys, title in MODAL_FORMS:
            s.focus(main)
            s.key(*keys, pause=0.4)
            wid = s.wait_window(title)
            what = f"the {title} window (round {round_ + 1})"
            s.check_shown(wid, what)
            inside(s, wid, what)
            if title == "Amortization Schedule":
                mx, my, mw, mh = s.frame(main)
                fx, fy, fw, fh = s.frame(wid)
                check(abs((fx + fw / 2) - (mx + mw / 2)) <= 16
                      and abs((fy + fh / 2) - (my + mh / 2)) <= 16,
                      f"{what} at {fx},{fy} {fw}x{fh} is not centred on the main window at "
                      f"{mx},{my} {mw}x{mh}")
            close_form(s, wid, title)
    quit_program(s, main)
