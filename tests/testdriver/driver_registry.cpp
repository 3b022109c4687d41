#include "driver_registry.h"

#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

namespace querimo::testodbc {
namespace {

// Function-local statics: the driver may be loaded and unloaded several times
// by the driver manager, and must not depend on static initialisation order.
struct Registry {
    std::mutex mutex;
    std::unordered_map<const void*, HandleKind> handles;
    std::map<std::string, long, std::less<>> calls;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void RegisterHandle(const void* handle, HandleKind kind) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.handles[handle] = kind;
}

void UnregisterHandle(const void* handle) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.handles.erase(handle);
}

bool IsLiveHandle(const void* handle, HandleKind kind) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.handles.find(handle);
    return found != registry.handles.end() && found->second == kind;
}

int LiveHandleCount(HandleKind kind) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    int count = 0;
    for (const auto& entry : registry.handles) {
        count += entry.second == kind ? 1 : 0;
    }
    return count;
}

void CountCall(std::string_view callName) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.calls.find(callName);
    if (found == registry.calls.end()) {
        registry.calls.emplace(std::string(callName), 1);
    } else {
        ++found->second;
    }
}

long CallCount(std::string_view callName) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.calls.find(callName);
    return found == registry.calls.end() ? 0 : found->second;
}

void ResetCallCounts() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.calls.clear();
}

}  // namespace querimo::testodbc

// The probe interface for tests, looked up with dlsym().
extern "C" {

long querimo_testodbc_count(const char* callName) {
    return callName == nullptr ? 0 : querimo::testodbc::CallCount(callName);
}

void querimo_testodbc_reset() {
    querimo::testodbc::ResetCallCounts();
}

int querimo_testodbc_open_handles(const char* kind) {
    using querimo::testodbc::HandleKind;
    const std::string_view name = kind == nullptr ? "" : kind;
    if (name == "ENV") {
        return querimo::testodbc::LiveHandleCount(HandleKind::Environment);
    }
    if (name == "DBC") {
        return querimo::testodbc::LiveHandleCount(HandleKind::Connection);
    }
    if (name == "STMT") {
        return querimo::testodbc::LiveHandleCount(HandleKind::Statement);
    }
    return -1;
}

}  // extern "C"
