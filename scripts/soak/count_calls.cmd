@echo off
rem The soak's program told of calls: one line per event it was told of.
echo %VORNIX_EVENT%>>events.txt
