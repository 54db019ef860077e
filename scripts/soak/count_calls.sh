#!/bin/sh
# The soak's program told of calls: one line per event it was told of.
printf '%s\n' "$VORNIX_EVENT" >> "$SOAK_EVENTS"
