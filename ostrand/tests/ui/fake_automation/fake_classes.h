// Class identifiers of the stand-in automation objects the UI tests register in the
// Wine prefix: a server enumerator answering to "SQLDMO.Application" and a
// connection that can take the place of "ADODB.Connection".
#pragma once
#include <windows.h>

// {6F0C8A31-5B2E-4C7A-9E1D-3A4B5C6D7E01}
static const CLSID kFakeEnumeratorClsid = {
    0x6f0c8a31, 0x5b2e, 0x4c7a, {0x9e, 0x1d, 0x3a, 0x4b, 0x5c, 0x6d, 0x7e, 0x01}};
// {6F0C8A31-5B2E-4C7A-9E1D-3A4B5C6D7E02}
static const CLSID kFakeConnectionClsid = {
    0x6f0c8a31, 0x5b2e, 0x4c7a, {0x9e, 0x1d, 0x3a, 0x4b, 0x5c, 0x6d, 0x7e, 0x02}};

#define FAKE_ENUMERATOR_CLSID L"{6F0C8A31-5B2E-4C7A-9E1D-3A4B5C6D7E01}"
#define FAKE_CONNECTION_CLSID L"{6F0C8A31-5B2E-4C7A-9E1D-3A4B5C6D7E02}"

// Environment read inside the tool's process (inherited from the driver):
// the server names, separated by '|', and the file that records the connection's
// calls, one line each ("open <string>", "close"), in UTF-8.
#define FAKE_SERVER_NAMES_VAR L"OSTRAND_FAKE_SERVER_NAMES"
#define FAKE_CONNECTION_LOG_VAR L"OSTRAND_FAKE_CONNECTION_LOG"
// A server the connection cannot reach: opening a string that names it as its data
// source fails (logged "refused <string>").
#define FAKE_UNREACHABLE_SERVER_VAR L"OSTRAND_FAKE_UNREACHABLE_SERVER"
