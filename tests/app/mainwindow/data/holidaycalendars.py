"""Writes holiday calendars as .ics files, each with the days and names a
reader must find in it (<name>.tsv: ISO date, tab, name), into the folder
given. The public holidays come from python3-holidays; one calendar of
rules with exceptions is expanded with python3-dateutil."""
import datetime
import os
import sys

import holidays
from dateutil import rrule
from icalendar import Calendar, Event

out = sys.argv[1]


def write(name, events, expected):
    calendar = Calendar()
    calendar.add('prodid', '-//Payvane tests//holidays//EN')
    calendar.add('version', '2.0')
    for number, (start, summary, extra) in enumerate(events):
        event = Event()
        event.add('uid', '%s-%d@tests' % (name, number))
        event.add('dtstamp', datetime.datetime(2026, 1, 1, 0, 0, 0))
        event.add('dtstart', start)
        event.add('summary', summary)
        for key, value in extra:
            event.add(key, value)
        calendar.add_component(event)
    with open(os.path.join(out, name + '.ics'), 'wb') as f:
        f.write(calendar.to_ical())
    with open(os.path.join(out, name + '.tsv'), 'w', encoding='utf-8') as f:
        for day in sorted(expected):
            f.write('%s\t%s\n' % (day.isoformat(), expected[day]))


for country, years in (('DE', [2027, 2028]), ('US', [2026, 2027, 2028]), ('FRA', [2027])):
    days = dict(holidays.CountryHoliday(country, years=years).items())
    write(country, [(day, name, []) for day, name in days.items()], days)

# Rules with exceptions and extra days, as calendar programs write them.
may = datetime.date(2020, 5, 1)
may_rule = rrule.rrule(rrule.YEARLY, dtstart=may, until=datetime.date(2030, 12, 31))
exdate = datetime.date(2025, 5, 1)
rdate = datetime.date(2025, 5, 2)
monday = datetime.date(2021, 5, 31)
monday_rule = rrule.rrule(rrule.YEARLY, dtstart=monday, bymonth=5, byweekday=rrule.MO(-1), count=6)
expected = {}
for day in may_rule:
    expected[day.date()] = 'Labour Day'
del expected[exdate]
expected[rdate] = 'Labour Day'
for day in monday_rule:
    expected[day.date()] = 'Last Monday of May'
# Three days from DTSTART to DTEND.
for offset in range(3):
    expected[datetime.date(2027, 12, 24) + datetime.timedelta(days=offset)] = 'Christmas'
write('rules', [
    (may, 'Labour Day', [('rrule', {'freq': 'yearly', 'until': datetime.date(2030, 12, 31)}),
                         ('exdate', exdate), ('rdate', rdate)]),
    (monday, 'Last Monday of May', [('rrule', {'freq': 'yearly', 'bymonth': 5, 'byday': '-1MO', 'count': 6})]),
    (datetime.date(2027, 12, 24), 'Christmas', [('dtend', datetime.date(2027, 12, 27))]),
], expected)
