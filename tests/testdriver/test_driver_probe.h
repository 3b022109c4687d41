// Test-side access to the scripted test ODBC driver: its absolute path, a
// connection string builder, and its call counters and live-handle counts.
//
// The driver is loaded once with dlopen() and never closed, so the driver
// manager's dlclose() after each connection does not unload it and the
// counters survive from one connection to the next.
//
// Targets using this header define QUERIMO_TESTODBC_PATH, for example
//   target_compile_definitions(t PRIVATE QUERIMO_TESTODBC_PATH="$<TARGET_FILE:querimo_testodbc>")
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace querimo::testdriver {

class DriverProbe {
  public:
    // The process-wide probe of the driver at QUERIMO_TESTODBC_PATH.
    static const DriverProbe& Get() {
#ifdef QUERIMO_TESTODBC_PATH
        static const DriverProbe probe(QUERIMO_TESTODBC_PATH);
        return probe;
#else
        throw std::runtime_error("QUERIMO_TESTODBC_PATH is not defined for this test target");
#endif
    }

    explicit DriverProbe(std::string driverPath) : path_(std::move(driverPath)) {
        // RTLD_LOCAL: the driver's SQL* symbols must not shadow the driver
        // manager's for the rest of the test program.
        handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            const char* reason = dlerror();
            throw std::runtime_error("cannot load the test driver " + path_ + ": " +
                                     (reason ? reason : "?"));
        }
        count_ = Symbol<CountFunction>("querimo_testodbc_count");
        reset_ = Symbol<ResetFunction>("querimo_testodbc_reset");
        openHandles_ = Symbol<OpenHandlesFunction>("querimo_testodbc_open_handles");
    }

    DriverProbe(const DriverProbe&) = delete;
    DriverProbe& operator=(const DriverProbe&) = delete;

    const std::string& DriverPath() const {
        return path_;
    }

    // "Driver=<absolute path>;" followed by the given keywords, e.g.
    // ConnectionString("CompletedDSN=demo;ConnectFail=08001,7,refused").
    std::string ConnectionString(std::string_view keywords = {}) const {
        std::string text = "Driver=" + path_ + ";";
        text += keywords;
        return text;
    }

    // How often the driver's entry point was called since the last Reset():
    // "SQLPrepare", "SQLFetch", "SQLFreeStmt_DROP", "SQLFreeConnect", ...
    long Count(const char* callName) const {
        return count_(callName);
    }

    void Reset() const {
        reset_();
    }

    // Live driver handles of one kind: "ENV", "DBC" or "STMT".
    int OpenHandles(const char* kind) const {
        return openHandles_(kind);
    }

  private:
    using CountFunction = long (*)(const char*);
    using ResetFunction = void (*)();
    using OpenHandlesFunction = int (*)(const char*);

    template <class Function>
    Function Symbol(const char* name) const {
        void* address = dlsym(handle_, name);
        if (address == nullptr) {
            throw std::runtime_error("the test driver " + path_ + " lacks " + name);
        }
        return reinterpret_cast<Function>(address);
    }

    std::string path_;
    void* handle_ = nullptr;  // deliberately never closed
    CountFunction count_ = nullptr;
    ResetFunction reset_ = nullptr;
    OpenHandlesFunction openHandles_ = nullptr;
};

}  // namespace querimo::testdriver
