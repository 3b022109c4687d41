// Process-wide bookkeeping of the driver: which handles are alive and how
// often each entry point was called. Tests read both through the exported
// querimo_testodbc_* functions.
#pragma once

#include <string_view>

namespace querimo::testodbc {

enum class HandleKind { Environment, Connection, Statement };

void RegisterHandle(const void* handle, HandleKind kind);
void UnregisterHandle(const void* handle);
bool IsLiveHandle(const void* handle, HandleKind kind);
int LiveHandleCount(HandleKind kind);

void CountCall(std::string_view callName);
long CallCount(std::string_view callName);
void ResetCallCounts();

}  // namespace querimo::testodbc
