"""The figures the scenarios expect, worked out here from the textbook formulas of loan
arithmetic, independently of the program: payments of an annuity, balances, a month-by-month
amortization schedule with its year totals, and the texts money is shown in.

Amounts are rounded to whole cents where a lender rounds them (each payment, each period's
interest); rates are held in single precision, as the program's fields keep them.
"""

import datetime
import struct


def single(x):
    """The value as a 32-bit float holds it."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def cents(x):
    """Rounded to whole cents as a two-decimal text of the value reads."""
    return float(f"{x:.2f}")


def money(x, symbol="$"):
    """"$1,234.56", a negative amount in brackets: "($1,234.56)"."""
    text = f"{symbol}{abs(x):,.2f}"
    return f"({text})" if cents(x) < 0 else text


def plain(x):
    """"1,234.56" as the schedule's cells show an amount."""
    return f"{x:,.2f}"


def german_money(x):
    """"1.234,56 €" under the German regional settings."""
    text = f"{abs(x):,.2f}".replace(",", " ").replace(".", ",").replace(" ", ".")
    return ("-" if cents(x) < 0 else "") + text + " €"


def periodic_rate(annual_percent, per_year=12):
    return annual_percent / 100.0 / per_year


def payment(principal, periods, rate):
    """The level payment in arrears that repays the principal in `periods` payments at the
    periodic rate, rounded to cents: P·i / (1 − (1 + i)^−n)."""
    return cents(principal * rate / (1.0 - (1.0 + rate) ** -periods))


def balance_after(principal, periods, rate, after):
    """The balance left after `after` level payments, each period's interest in cents."""
    level = payment(principal, periods, rate)
    balance = principal
    for _ in range(after):
        balance -= level - cents(balance * rate)
    return cents(balance)


def accelerated(principal, periods, rate, extra_after, extra):
    """Periods to pay the loan off when `extra` is paid on top of every payment after period
    `extra_after`, and the interest saved against the regular schedule."""
    level = payment(principal, periods, rate)
    regular_interest = periods * level - principal
    balance, paid_interest, k = principal, 0.0, 0
    while k < periods:
        k += 1
        interest = cents(balance * rate)
        paid_interest += interest
        balance += interest - level - (extra if k > extra_after else 0.0)
        if balance <= 0:
            break
    return k, cents(regular_interest - paid_interest)


def balloon_payment(principal, rate, due_after, balloon):
    """The payment that amortizes all but the balloon over `due_after` payments and carries
    the interest on the balloon besides."""
    return cents(payment(principal - balloon, due_after, rate) + rate * balloon)


def compound_interest(amount, days, annual_percent, basis=365):
    """Interest of `days` days compounded daily at the annual rate over a year of `basis`
    days."""
    return cents(amount * ((1 + annual_percent / 100.0 / basis) ** days - 1))


def affordable(income, cash, annual_percent, months, yearly_costs, income_percent):
    """The loan a share of the income carries, less the yearly costs, as monthly payments; and
    the house price that loan and the cash buy."""
    monthly = income * income_percent / 100.0 / 12 - yearly_costs / 12
    rate = periodic_rate(annual_percent)
    financed = monthly * (1 - (1 + rate) ** -months) / rate
    return cents(financed), cents(financed + cash)


def interest_paid(principal, periods, rate, months):
    """The interest of the first `months` level payments, each period's interest in cents
    (all of it when the loan ends sooner)."""
    level = payment(principal, periods, rate)
    if months >= periods:
        return periods * level - principal
    balance, paid = principal, 0.0
    for _ in range(months):
        interest = cents(balance * rate)
        paid += interest
        balance -= level - interest
    return cents(paid)


def total_paid(principal, periods, rate):
    """All the payments of a loan together, its last payment being what is then left with its
    interest."""
    level = payment(principal, periods, rate)
    balance, paid = principal, 0.0
    for k in range(1, periods + 1):
        interest = cents(balance * rate)
        pay = level if k < periods else balance + interest
        balance -= pay - interest
        paid += pay
    return cents(paid)


def points_cost(amount, periods, annual_percent, points_percent, years):
    """What a loan costs over the years it is kept: its interest and its points paid up
    front."""
    rate = periodic_rate(annual_percent)
    return cents(interest_paid(amount, periods, rate, 12 * years) + amount * points_percent / 100)


def discounted_interest(balance, annual_percent, discount_percent, level, periods):
    """The interest of `periods` payments, each discounted to today at the discount rate, and
    the balance then left."""
    rate, discount = annual_percent / 1200, discount_percent / 1200
    worth = 0.0
    for k in range(1, periods + 1):
        interest = cents(balance * rate)
        balance = cents(balance + interest - level)
        worth = cents(worth + interest / (1 + discount) ** k)
    return worth, max(balance, 0.0)


# -- the amortization schedule --------------------------------------------------------------

def add_months(day, months):
    month = day.month - 1 + months
    year = day.year + month // 12
    month = month % 12 + 1
    last = [31, 29 if year % 4 == 0 and (year % 100 or year % 400 == 0) else 28, 31, 30, 31,
            30, 31, 31, 30, 31, 30, 31][month - 1]
    return datetime.date(year, month, min(day.day, last))


def default_first_payment(origination):
    """A month after the origination when it is on the 1st, else the 1st of the month after
    next."""
    if origination.day == 1:
        return add_months(origination, 1)
    return add_months(origination.replace(day=1), 2)


class Row:
    """One line of a schedule: a label ("Init/01", "  13/02"), a date and the amounts."""

    def __init__(self, number, label, date, pay, principal, interest, balance):
        self.number, self.label, self.date = number, label, date
        self.payment, self.principal, self.interest, self.balance = (
            pay, principal, interest, balance)
        self.run_payment = self.run_principal = self.run_interest = 0.0

    def amounts(self):
        return (self.payment, self.principal, self.interest, self.balance)


def schedule(amount, periods, annual_percent, origination, first_payment):
    """A monthly schedule in arrears, interest compounded monthly on the balance. A first
    period longer than a month charges the days before the regular period (in thirtieths of a
    month) on the origination's row."""
    rate = single(annual_percent / 100.0 / 12)
    level = payment(amount, periods, rate)
    regular_start = add_months(first_payment, -1)
    odd_days = (regular_start - origination).days if regular_start > origination else 0
    odd_interest = cents(amount * rate * odd_days / 30)
    rows = [Row(0, "Init/01", origination, odd_interest, 0.0, odd_interest, amount)]
    balance = amount
    for k in range(1, periods + 1):
        interest = cents(balance * rate)
        principal = level - interest
        pay = level
        if k == periods or balance - principal < 0:
            principal, pay = balance, balance + interest
        balance -= principal
        rows.append(Row(k, f"{k:4d}/{(k - 1) // 12 + 1:02d}",
                        add_months(first_payment, k - 1), pay, principal, interest, balance))
        if cents(balance) <= 0:
            break
    run = [0.0, 0.0, 0.0]
    for row in rows:
        run = [run[0] + row.payment, run[1] + row.principal, run[2] + row.interest]
        row.run_payment, row.run_principal, row.run_interest = run
    return rows


def year_totals(rows):
    """Per calendar year, in order: (year, its rows, (payment, principal, interest) summed over
    the year, and the running totals at the year's last row)."""
    years = []
    for row in rows:
        if not years or years[-1][0] != row.date.year:
            years.append((row.date.year, []))
        years[-1][1].append(row)
    result = []
    for year, members in years:
        sums = tuple(sum(getattr(r, name) for r in members)
                     for name in ("payment", "principal", "interest"))
        last = members[-1]
        result.append((year, members, sums,
                       (last.run_payment, last.run_principal, last.run_interest)))
    return result
