#include "icalpeer.h"

#include <libical/ical.h>

#include <stdlib.h>
#include <string.h>

static struct icaltimetype date_of(const char *yyyymmdd)
{
    struct icaltimetype date = icaltime_from_string(yyyymmdd);
    date.is_date = 1;
    return date;
}

static size_t put(const char *text, FILE *out)
{
    const size_t size = strlen(text);
    return fwrite(text, 1, size, out) == size ? size : 0;
}

static icalcomponent *event_component(const struct icalpeer_event *event, struct icaltimetype stamp)
{
    icalcomponent *vevent = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(vevent, icalproperty_new_uid(event->uid));
    icalcomponent_add_property(vevent, icalproperty_new_dtstamp(stamp));
    icalproperty *start = icalproperty_new_dtstart(date_of(event->start));
    icalproperty_add_parameter(start, icalparameter_new_value(ICAL_VALUE_DATE));
    icalcomponent_add_property(vevent, start);
    if (event->end) {
        icalproperty *end = icalproperty_new_dtend(date_of(event->end));
        icalproperty_add_parameter(end, icalparameter_new_value(ICAL_VALUE_DATE));
        icalcomponent_add_property(vevent, end);
    }
    if (event->rule)
        icalcomponent_add_property(vevent, icalproperty_new_rrule(icalrecurrencetype_from_string(event->rule)));
    icalcomponent_add_property(vevent, icalproperty_new_summary(event->summary));
    if (event->description)
        icalcomponent_add_property(vevent, icalproperty_new_description(event->description));
    icalcomponent_add_property(vevent, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    if (event->alarm_days >= 0) {
        icalcomponent *alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
        icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        icalcomponent_add_property(alarm, icalproperty_new_description(event->summary));
        struct icaltriggertype trigger;
        memset(&trigger, 0, sizeof trigger);
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_null_duration();
        trigger.duration.days = (unsigned int)event->alarm_days;
        trigger.duration.is_neg = event->alarm_days > 0;
        icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
        icalcomponent_add_component(vevent, alarm);
    }
    return vevent;
}

size_t icalpeer_write(const struct icalpeer_event *events, size_t count, const char *stamp, FILE *out)
{
    const struct icaltimetype stamp_time = icaltime_from_string(stamp);
    size_t written = put("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tervona//Payvane//EN\r\n"
                         "CALSCALE:GREGORIAN\r\n",
                         out);
    for (size_t i = 0; i < count && written > 0; ++i) {
        icalcomponent *vevent = event_component(&events[i], stamp_time);
        char *text = icalcomponent_as_ical_string_r(vevent);
        const size_t size = text ? put(text, out) : 0;
        free(text);
        icalcomponent_free(vevent);
        written = size > 0 ? written + size : 0;
    }
    if (written > 0) {
        const size_t size = put("END:VCALENDAR\r\n", out);
        written = size > 0 ? written + size : 0;
    }
    return fflush(out) == 0 ? written : 0;
}
