/* The peer of the calendar export: the same events written with libical,
 * one component at a time. C, so that it is libical as its own users call
 * it. */
#ifndef PAYVANE_BENCH_ICALPEER_H
#define PAYVANE_BENCH_ICALPEER_H

#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One all-day event as the export writes it; texts unescaped, NULL where
 * the event has none. Dates are YYYYMMDD. */
struct icalpeer_event {
    const char *uid;
    const char *start;
    const char *end;
    const char *rule;
    const char *summary;
    const char *description;
    int alarm_days; /* -1: no alarm */
};

/* Writes a VCALENDAR of the events to `out`, building, writing and freeing
 * each VEVENT in turn. Returns the bytes written, 0 on failure. */
size_t icalpeer_write(const struct icalpeer_event *events, size_t count, const char *stamp, FILE *out);

#ifdef __cplusplus
}
#endif

#endif /* PAYVANE_BENCH_ICALPEER_H */
