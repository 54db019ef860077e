// ADOCnn: the dialog's database connection, late-bound through ADO.
#pragma once
#include "com_ptr.h"

#include <string>

namespace ostrand {

class AdoConnection {
public:
    AdoConnection() = default;
    ~AdoConnection();
    AdoConnection(const AdoConnection&) = delete;
    AdoConnection& operator=(const AdoConnection&) = delete;

    // Closes the connection if it is open, then opens it with the given string (ANSI).
    // False on any failure, the connection component missing included; the
    // connection is left closed then.
    bool Reopen(const std::string& connection_string);

private:
    void CloseIfOpen();

    ComPtr<IDispatch> connection_;
};

}  // namespace ostrand
