#include "connect_options.h"

#include <charconv>

namespace querimo::testodbc {
namespace {

constexpr std::string_view kDefaultCompleted = "SERVER=testdriver;UID=tester";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A ';' cannot appear in a plain value, so "%3B" stands for it.
std::string DecodeSemicolons(std::string_view value) {
    std::string decoded;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size() && value[i + 1] == '3' &&
            (value[i + 2] == 'B' || value[i + 2] == 'b')) {
            decoded += ';';
            i += 2;
        } else {
            decoded += value[i];
        }
    }
    return decoded;
}

// Splits "k=v;k2={v;2};..." honouring ODBC's braced values.
std::vector<std::pair<std::string, std::string>> SplitKeywords(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t equals = text.find('=', pos);
        const size_t semicolon = text.find(';', pos);
        if (equals == std::string_view::npos ||
            (semicolon != std::string_view::npos && semicolon < equals)) {
            pos = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
            continue;
        }
        std::string key(Trim(text.substr(pos, equals - pos)));
        const size_t valueStart = equals + 1;
        std::string value;
        if (valueStart < text.size() && text[valueStart] == '{') {
            // A braced value may hold ';' and ends at the closing brace.
            size_t close = text.find('}', valueStart);
            if (close == std::string_view::npos) {
                close = text.size();
            }
            value = std::string(text.substr(valueStart + 1, close - valueStart - 1));
            const size_t next = text.find(';', close);
            pos = next == std::string_view::npos ? text.size() : next + 1;
        } else {
            size_t valueEnd = text.find(';', valueStart);
            if (valueEnd == std::string_view::npos) {
                valueEnd = text.size();
            }
            value = DecodeSemicolons(text.substr(valueStart, valueEnd - valueStart));
            pos = valueEnd + 1;
        }
        if (!key.empty()) {
            pairs.emplace_back(std::move(key), std::move(value));
        }
    }
    return pairs;
}

std::optional<DiagRecord> ParseDiag(std::string_view text, std::string& error) {
    const size_t firstComma = text.find(',');
    const size_t secondComma =
        firstComma == std::string_view::npos ? firstComma : text.find(',', firstComma + 1);
    if (secondComma == std::string_view::npos) {
        error = "expected STATE,native,message but found '" + std::string(text) + "'";
        return std::nullopt;
    }
    DiagRecord record;
    record.sqlState = std::string(Trim(text.substr(0, firstComma)));
    if (record.sqlState.size() > 5) {
        error = "SQLSTATE '" + record.sqlState + "' is longer than five characters";
        return std::nullopt;
    }
    const std::string_view native = Trim(text.substr(firstComma + 1, secondComma - firstComma - 1));
    const auto [end, ec] =
        std::from_chars(native.data(), native.data() + native.size(), record.nativeError);
    if (native.empty() || ec != std::errc() || end != native.data() + native.size()) {
        error = "native error '" + std::string(native) + "' is not a 32-bit integer";
        return std::nullopt;
    }
    record.message = std::string(text.substr(secondComma + 1));
    return record;
}

bool ApplyRuleKeyword(const std::string& upperKey, const std::string& value,
                      ConnectOptions& options, std::string& error) {
    for (const auto& [prefix, code] :
         {std::pair<std::string_view, SQLRETURN>{"FAIL", SQL_ERROR},
          std::pair<std::string_view, SQLRETURN>{"INFO", SQL_SUCCESS_WITH_INFO}}) {
        if (upperKey.rfind(prefix, 0) != 0) {
            continue;
        }
        const auto call = CanonicalCallName(std::string_view(upperKey).substr(prefix.size()));
        if (!call) {
            return false;  // an ordinary keyword that happens to start with Fail or Info
        }
        CallRule rule;
        rule.call = *call;
        rule.code = code;
        if (!Trim(value).empty()) {
            auto diags = ParseDiagList(value, error);
            if (!diags) {
                error = "keyword " + upperKey + ": " + error;
                return true;
            }
            rule.diags = std::move(*diags);
        }
        options.rules.push_back(std::move(rule));
        return true;
    }
    return false;
}

}  // namespace

std::optional<std::vector<DiagRecord>> ParseDiagList(std::string_view text, std::string& error) {
    std::vector<DiagRecord> records;
    size_t pos = 0;
    while (true) {
        const size_t bar = text.find('|', pos);
        const std::string_view piece =
            text.substr(pos, bar == std::string_view::npos ? std::string_view::npos : bar - pos);
        auto record = ParseDiag(piece, error);
        if (!record) {
            return std::nullopt;
        }
        records.push_back(std::move(*record));
        if (bar == std::string_view::npos) {
            break;
        }
        pos = bar + 1;
    }
    return records;
}

ParsedConnectOptions ParseConnectOptions(std::string_view connectionString) {
    ParsedConnectOptions parsed;
    ConnectOptions& options = parsed.options;
    std::string error;
    std::optional<SQLRETURN> explicitReturn;
    bool failRequested = false;

    for (auto& [key, value] : SplitKeywords(connectionString)) {
        const std::string upperKey = UpperCase(key);
        options.keywords[upperKey] = value;
        if (upperKey == "CONNECTFAIL") {
            auto diags = ParseDiagList(value, error);
            if (!diags) {
                parsed.error = "keyword CONNECTFAIL: " + error;
                return parsed;
            }
            options.connectDiags = std::move(*diags);
            failRequested = true;
        } else if (upperKey == "CONNECTRETURN") {
            explicitReturn = ReturnCodeByName(value);
            if (!explicitReturn) {
                parsed.error = "keyword CONNECTRETURN: unknown return code '" + value + "'";
                return parsed;
            }
        } else if (ApplyRuleKeyword(upperKey, value, options, error) && !error.empty()) {
            parsed.error = error;
            return parsed;
        }
    }

    options.connectReturn = explicitReturn.value_or(failRequested ? SQL_ERROR : SQL_SUCCESS);
    if (options.connectReturn == SQL_SUCCESS_WITH_INFO) {
        options.connectDiags.push_back(MakeDiag("01004", "String data, right truncated"));
    }
    if (options.connectReturn == SQL_ERROR && options.connectDiags.empty()) {
        options.connectDiags.push_back(MakeDiag("08001", "scripted connection failure"));
    }

    if (auto completed = options.keywords.find("COMPLETED"); completed != options.keywords.end()) {
        options.completed = completed->second;
    } else if (auto dsn = options.keywords.find("COMPLETEDDSN"); dsn != options.keywords.end()) {
        options.completed = "DSN=" + dsn->second + ";" + std::string(kDefaultCompleted);
    } else {
        options.completed = std::string(kDefaultCompleted);
    }
    return parsed;
}

}  // namespace querimo::testodbc
