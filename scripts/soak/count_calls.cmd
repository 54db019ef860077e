@echo off
rem The soak's program told of calls: one file per event it was told of (programs told at
rem the same moment would lose lines appending to one file: cmd's >> is no atomic append).
echo %VORNIX_EVENT%>"told\%VORNIX_TIME::=.%_%VORNIX_SLOT%_%VORNIX_EVENT%"
