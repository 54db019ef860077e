// The ODBC side of the customer look-up. On Windows only the plain and the W entry
// points are called: Wine's odbc32 lacks the A ones, and the W ones carry Chinese text
// to the driver intact. unixODBC hands an ANSI-only driver (SQLite's) W text cut to
// its low bytes, so there the narrow entry points carry UTF-8, which such drivers take.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <vector>

#include "callers/column_names.h"
#include "callers/contact.h"
#include "callers/customer_source.h"
#include "callers/text_codec.h"
#include "platform/platform_thread.h"

namespace host::callers {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC's wide characters are UTF-16 code units");

#ifdef _WIN32
using OdbcText = std::u16string;
OdbcText odbc_text(const std::string& utf8) { return utf8_to_utf16(utf8); }
SQLWCHAR* odbc_ptr(const OdbcText& s) { return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(s.c_str())); }

SQLRETURN driver_connect(SQLHANDLE dbc, const OdbcText& connection) {
    SQLSMALLINT out = 0;
    return SQLDriverConnectW(dbc, nullptr, odbc_ptr(connection), SQL_NTS, nullptr, 0, &out, SQL_DRIVER_NOPROMPT);
}
SQLRETURN prepare(SQLHANDLE stmt, const OdbcText& query) { return SQLPrepareW(stmt, odbc_ptr(query), SQL_NTS); }
SQLRETURN diagnostic(SQLSMALLINT type, SQLHANDLE h, SQLSMALLINT rec, std::string* state, std::string* message) {
    SQLWCHAR st[6] = {}, text[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetDiagRecW(type, h, rec, st, &native, text, 512, &length);
    *state = utf16_to_utf8(reinterpret_cast<const char16_t*>(st));
    *message = utf16_to_utf8(reinterpret_cast<const char16_t*>(text));
    return rc;
}
std::string column_name(SQLHANDLE stmt, SQLUSMALLINT column) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLDescribeColW(stmt, column, name, 256, &length, &type, &size, &digits, &nullable);
    return utf16_to_utf8(reinterpret_cast<const char16_t*>(name));
}
#else
using OdbcText = std::string;
OdbcText odbc_text(const std::string& utf8) { return utf8; }
SQLCHAR* odbc_ptr(const OdbcText& s) { return const_cast<SQLCHAR*>(reinterpret_cast<const SQLCHAR*>(s.c_str())); }

SQLRETURN driver_connect(SQLHANDLE dbc, const OdbcText& connection) {
    SQLSMALLINT out = 0;
    return SQLDriverConnect(dbc, nullptr, odbc_ptr(connection), SQL_NTS, nullptr, 0, &out, SQL_DRIVER_NOPROMPT);
}
SQLRETURN prepare(SQLHANDLE stmt, const OdbcText& query) { return SQLPrepare(stmt, odbc_ptr(query), SQL_NTS); }
SQLRETURN diagnostic(SQLSMALLINT type, SQLHANDLE h, SQLSMALLINT rec, std::string* state, std::string* message) {
    SQLCHAR st[6] = {}, text[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetDiagRec(type, h, rec, st, &native, text, sizeof text, &length);
    *state = reinterpret_cast<const char*>(st);
    *message = reinterpret_cast<const char*>(text);
    return rc;
}
std::string column_name(SQLHANDLE stmt, SQLUSMALLINT column) {
    SQLCHAR name[512] = {};
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLDescribeCol(stmt, column, name, sizeof name, &length, &type, &size, &digits, &nullable);
    return reinterpret_cast<const char*>(name);
}
#endif

class Handle {
public:
    Handle() = default;
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool alloc(SQLSMALLINT type, SQLHANDLE parent) {
        reset();
        type_ = type;
        return SQL_SUCCEEDED(SQLAllocHandle(type, parent, &h_));
    }
    void reset() {
        if (h_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, h_);
        h_ = SQL_NULL_HANDLE;
    }
    SQLHANDLE get() const { return h_; }
    SQLSMALLINT type() const { return type_; }

private:
    SQLSMALLINT type_ = SQL_HANDLE_ENV;
    SQLHANDLE h_ = SQL_NULL_HANDLE;
};

// The driver's own words for the last failure on `h`, masked.
std::string diagnostics(const Handle& h, const char* what) {
    std::string text = what;
    for (SQLSMALLINT rec = 1; rec <= 3; ++rec) {
        std::string state, message;
        if (!SQL_SUCCEEDED(diagnostic(h.type(), h.get(), rec, &state, &message))) break;
        text += (rec == 1 ? ": " : "; ") + state + " " + message;
    }
    return mask_secrets(text);
}

class OdbcSource : public CustomerSource {
public:
    explicit OdbcSource(const CustomerDbConfig& config)
        : connection_(odbc_text(config.connection)), query_(odbc_text(config.query)),
          timeout_s_(config.timeout_s) {}
    ~OdbcSource() override { disconnect(); }

    bool connect(std::string* error) override {
        disconnect();
        if (!env_.get()) {
            if (!env_.alloc(SQL_HANDLE_ENV, SQL_NULL_HANDLE) ||
                !SQL_SUCCEEDED(SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION,
                                             reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(SQL_OV_ODBC3)), 0))) {
                env_.reset();
                *error = "the ODBC driver manager cannot be used";
                return false;
            }
        }
        if (!dbc_.alloc(SQL_HANDLE_DBC, env_.get())) {
            *error = diagnostics(env_, "no ODBC connection handle");
            return false;
        }
        const auto seconds = reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(timeout_s_));
        SQLSetConnectAttr(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT, seconds, 0);
        SQLSetConnectAttr(dbc_.get(), SQL_ATTR_CONNECTION_TIMEOUT, seconds, 0);
        if (!SQL_SUCCEEDED(driver_connect(dbc_.get(), connection_))) {
            *error = diagnostics(dbc_, "cannot connect");
            dbc_.reset();
            return false;
        }
        connected_ = true;
        auto stmt = std::make_unique<Handle>();
        if (!stmt->alloc(SQL_HANDLE_STMT, dbc_.get()) ||
            !SQL_SUCCEEDED(prepare(stmt->get(), query_))) {
            *error = diagnostics(*stmt, "the query cannot be prepared");
            stmt.reset();
            disconnect();
            return false;
        }
        SQLSetStmtAttr(stmt->get(), SQL_ATTR_QUERY_TIMEOUT, seconds, 0);
        guard_.lock();
        stmt_ = std::move(stmt);
        guard_.unlock();
        columns_.clear();
        return true;
    }

    void disconnect() override {
        guard_.lock();
        std::unique_ptr<Handle> stmt = std::move(stmt_);
        guard_.unlock();
        stmt.reset();
        if (connected_) SQLDisconnect(dbc_.get());
        connected_ = false;
        dbc_.reset();
    }

    bool query(const std::string& number, CustomerAnswer* answer, std::string* error) override {
        *answer = CustomerAnswer();
        if (!stmt_) {
            *error = "not connected";
            return false;
        }
        const SQLHANDLE st = stmt_->get();
        SQLFreeStmt(st, SQL_CLOSE);
        // Bound, never pasted into the text: a ' or ; in it is just a character.
        std::vector<char> value(number.begin(), number.end());
        value.push_back('\0');
        SQLLEN length = static_cast<SQLLEN>(number.size());
        if (!SQL_SUCCEEDED(SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                            number.empty() ? 1 : number.size(), 0, value.data(),
                                            static_cast<SQLLEN>(value.size()), &length))) {
            *error = diagnostics(*stmt_, "the number cannot be bound");
            return false;
        }
        set_running(true);
        const SQLRETURN rc = SQLExecute(st);
        set_running(false);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            *error = diagnostics(*stmt_, "the query failed");
            SQLFreeStmt(st, SQL_RESET_PARAMS);
            return false;
        }
        if (rc != SQL_NO_DATA && !describe(st, error)) return false;
        const SQLRETURN fetched = rc == SQL_NO_DATA ? SQL_NO_DATA : SQLFetch(st);
        // The parameter's buffer goes with this call: no binding is left pointing at it.
        SQLFreeStmt(st, SQL_RESET_PARAMS);
        if (fetched == SQL_NO_DATA) {
            SQLFreeStmt(st, SQL_CLOSE);
            return true;
        }
        if (!SQL_SUCCEEDED(fetched)) {
            *error = diagnostics(*stmt_, "the answer cannot be read");
            return false;
        }
        answer->found = true;
        answer->card.source = "database";
        size_t first_other = std::string::npos;
        for (size_t c = 0; c < columns_.size(); ++c) {
            std::string text;
            if (!column_text(st, static_cast<SQLUSMALLINT>(c + 1), &text, error)) return false;
            text = std::string(trim(text));
            if (columns_[c].kind == Column::Other && !text.empty() && first_other == std::string::npos)
                first_other = answer->card.more.size();
            place(columns_[c], text, &answer->card);
        }
        // A query whose columns have no names we know: the first one names the caller.
        CallerCard& card = answer->card;
        if (card.name.empty() && first_other != std::string::npos) {
            card.name = card.more[first_other].second;
            card.more.erase(card.more.begin() + static_cast<std::ptrdiff_t>(first_other));
        }
        SQLFreeStmt(st, SQL_CLOSE);
        return true;
    }

    void cancel() override {
        guard_.lock();
        if (running_ && stmt_) SQLCancel(stmt_->get());
        guard_.unlock();
    }

private:
    struct ColumnInfo {
        std::string label;
        Column kind = Column::Other;
    };

    void set_running(bool running) {
        guard_.lock();
        running_ = running;
        guard_.unlock();
    }

    bool describe(SQLHANDLE st, std::string* error) {
        if (!columns_.empty()) return true;
        SQLSMALLINT count = 0;
        if (!SQL_SUCCEEDED(SQLNumResultCols(st, &count)) || count <= 0) {
            *error = "the query gives no columns";
            return false;
        }
        for (SQLSMALLINT c = 1; c <= count; ++c) {
            ColumnInfo info;
            info.label = column_name(st, static_cast<SQLUSMALLINT>(c));
            info.kind = column_of(info.label);
            columns_.push_back(info);
        }
        return true;
    }

    bool column_text(SQLHANDLE st, SQLUSMALLINT column, std::string* text, std::string* error) {
        std::u16string all;
        char16_t chunk[512];
        for (;;) {
            SQLLEN got = 0;
            const SQLRETURN rc = SQLGetData(st, column, SQL_C_WCHAR, chunk, sizeof chunk, &got);
            if (rc == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(rc)) {
                *error = diagnostics(*stmt_, "the answer cannot be read");
                return false;
            }
            if (got == SQL_NULL_DATA) break;
            const size_t room = sizeof chunk / sizeof chunk[0] - 1;
            const size_t units = (got == SQL_NO_TOTAL || static_cast<size_t>(got) / 2 > room) ? room : static_cast<size_t>(got) / 2;
            all.append(chunk, units);
            if (rc == SQL_SUCCESS) break;
            // SQL_SUCCESS_WITH_INFO: truncated; a card needs no more than a few KB.
            if (all.size() > 4096) break;
        }
        *text = utf16_to_utf8(all);
        return true;
    }

    static void place(const ColumnInfo& column, const std::string& text, CallerCard* card) {
        if (text.empty()) return;
        std::string* field = nullptr;
        switch (column.kind) {
            case Column::Name: field = &card->name; break;
            case Column::Company: field = &card->company; break;
            case Column::Address: field = &card->address; break;
            case Column::Note: field = &card->note; break;
            default: break;
        }
        if (field != nullptr && field->empty()) *field = text;
        else if (column.kind != Column::Phone) card->more.emplace_back(column.label, text);
    }

    OdbcText connection_, query_;
    int timeout_s_;
    Handle env_, dbc_;
    bool connected_ = false;
    platform::Mutex guard_;  // stmt_ and running_, which cancel() reads from another thread
    std::unique_ptr<Handle> stmt_;
    bool running_ = false;
    std::vector<ColumnInfo> columns_;
};

}  // namespace

std::unique_ptr<CustomerSource> make_odbc_source(const CustomerDbConfig& config) {
    return std::make_unique<OdbcSource>(config);
}

}  // namespace host::callers
