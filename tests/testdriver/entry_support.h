// What every exported entry point does around its real work: count the call,
// check the handle, clear the handle's diagnostics and turn a C++ exception
// into a diagnostic record (no exception may cross into the driver manager).
#pragma once

#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "driver_registry.h"
#include "handles.h"
#include "statement.h"

namespace querimo::testodbc {

template <class Object>
constexpr HandleKind KindOf();
template <>
constexpr HandleKind KindOf<Environment>() {
    return HandleKind::Environment;
}
template <>
constexpr HandleKind KindOf<Connection>() {
    return HandleKind::Connection;
}
template <>
constexpr HandleKind KindOf<Statement>() {
    return HandleKind::Statement;
}

template <class Object>
Object* Lookup(SQLHANDLE handle) {
    return IsLiveHandle(handle, KindOf<Object>()) ? static_cast<Object*>(handle) : nullptr;
}

template <class Body>
SQLRETURN Guarded(DiagArea& diags, Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        diags.Add(MakeDiag("HY001", "Memory allocation error"));
    } catch (const std::exception& error) {
        diags.Add(MakeDiag("HY000", std::string("testdriver: ") + error.what()));
    }
    return SQL_ERROR;
}

// For calls that leave the handle alive; freeing calls handle themselves.
template <class Object, class Body>
SQLRETURN RunOn(SQLHANDLE handle, std::string_view callName, Body body) {
    CountCall(callName);
    Object* object = Lookup<Object>(handle);
    if (object == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    object->diags.Clear();
    return object->diags.Finish(Guarded(object->diags, [&] { return body(*object); }));
}

inline std::string TextArgument(const SQLCHAR* text, SQLINTEGER length) {
    if (text == nullptr) {
        return {};
    }
    const char* chars = reinterpret_cast<const char*>(text);
    return length == SQL_NTS ? std::string(chars)
                             : std::string(chars, static_cast<size_t>(length < 0 ? 0 : length));
}

inline SQLRETURN DiagError(DiagArea& diags, std::string sqlState, std::string message) {
    diags.Add(MakeDiag(std::move(sqlState), std::move(message)));
    return SQL_ERROR;
}

}  // namespace querimo::testodbc
