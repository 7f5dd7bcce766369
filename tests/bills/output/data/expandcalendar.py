# Prints the dates an iCalendar file's events fall on from a first day up to
# (not including) a last one, one ISO date a line, as a calendar program
# that expands recurrences with Python's icalendar would show them.
import datetime
import sys

import icalendar
import recurring_ical_events

with open(sys.argv[1], 'rb') as file:
    calendar = icalendar.Calendar.from_ical(file.read())
first = datetime.date.fromisoformat(sys.argv[2])
last = datetime.date.fromisoformat(sys.argv[3])
for event in recurring_ical_events.of(calendar).between(first, last):
    print(event['DTSTART'].dt.isoformat())
