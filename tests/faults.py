#!/usr/bin/env python3
"""Seeds one plausible fault into src/ of a scratch worktree, for measuring what the tests catch.

    tests/faults.py ID [WORKTREE]       seeds fault ID (see tests/README.md) into WORKTREE's src/
    tests/faults.py --list              prints the faults

Each fault is one exact text change; when the code has moved on and the text is gone, the
script says so, and the fault is seeded by hand from its description. Never run it on a
worktree whose changes you want to keep: undo with `git checkout -- src`.
"""
FAULTS = {
 "F01": ("src/db/result_reader.cpp", "static_cast<uint32_t>(m_line) < m_maxRows", "static_cast<uint32_t>(m_line) <= m_maxRows",
         "row limit off by one: ResultReader::CheckRowLimit compares m_line <= m_maxRows"),
 "F02": ("src/report/report_text.cpp", "            out += quote;\n            out += quote;\n", "            out += quote;\n",
         "CSV quote not doubled: AppendQuotedCsvField writes one quote for a quote in the value"),
 "F03": ("src/report/report_text.cpp", "entity = \"&lt;\";\n                break;\n            case '>':\n                entity = \"&gt;\";",
         "entity = \"&gt;\";\n                break;\n            case '>':\n                entity = \"&lt;\";",
         "HTML escapes swapped: AppendHtmlEscaped writes &gt; for < and &lt; for >"),
 "F04": ("src/report/csv_writer.cpp", "everySetRead = everySetRead && fetched == SQL_NO_DATA;", "(void)fetched;",
         "fetch error ignored: WriteCsvResultSets does not clear everySetRead after a failed SQLFetch"),
 "F05": ("src/app/querimo_dlg_state.cpp", "    if (!LoadScript(commandLine.sqlFile)) {\n        return -2;", "    if (!LoadScript(commandLine.sqlFile)) {\n        return -1;",
         "wrong exit code: RunBatch returns -1 instead of -2 for an unreadable SQL file"),
 "F06": ("src/db/odbc_base.cpp", "number <= ODBCError::kMaxRecords && record.Load(", "number <= 1 && record.Load(",
         "lost diagnostic records: ReportDiagnostics hands on only the first record"),
 "F07": ("src/db/result_reader.cpp", "            InsertSubHeading();\n", "",
         "sub-heading missing: ReadResultSet no longer calls InsertSubHeading before a later set's first row"),
 "F08": ("src/db/result_reader.cpp", "const bool isNull = parameter.indicator == SQL_NULL_DATA;", "const bool isNull = false;",
         "NULL output parameter shown as the preset -1: the parameter statement ignores the indicator"),
 "F09": ("src/db/odbc_statement.cpp", "    Unbind();\n    m_buffer.reset();", "    m_buffer.reset();",
         "failed rebind leaves bound buffers: DropBuffer frees the columns without SQLFreeStmt(SQL_UNBIND)"),
 "F10": ("src/report/html_writer.cpp", "std::to_string(file.Position())", "std::to_string(file.Position() + 1)",
         "append marker offset wrong: WriteHtmlEnd writes Position()+1 into the insert marker"),
 "F11": ("src/db/utf16.cpp", "(text[i + 1] - 0xDC00)", "(text[i + 1] - 0xDBFF)",
         "UTF-16 off by one: Utf16ToUtf8 decodes a surrogate pair one code point too high"),
 "F12": ("src/ui/row_text.cpp", "            out += delimiter;", "            out += ',';",
         "row-text separator wrong: WriteRowFields always writes ',' between fields"),
 "F13": ("src/report/html_writer.cpp", "        WriteHtmlEnd(file);\n", "        if (complete) {\n            WriteHtmlEnd(file);\n        }\n",
         "HTML page left open: OutputHTML writes the marker and closing tags only after a complete read"),
 "F14": ("src/db/odbc_error.cpp", "for (SQLSMALLINT record = 1; record <= kMaxRecords", "for (SQLSMALLINT record = 2; record <= kMaxRecords",
         "column number lost: AppendColumnNumbers starts at diagnostic record 2"),
 "F15": ("src/report/csv_writer.cpp", "        line += m_quote;\n        line += m_delimiter;", "        line += m_quote;\n        line += ',';",
         "CSV heading ignores the delimiter: CsvHeadingLine always writes ','"),
}
import sys

if __name__ == "__main__":
    if sys.argv[1:] == ["--list"]:
        for fid, (path, _, _, text) in FAULTS.items():
            print(f"{fid} {path}: {text}")
        sys.exit(0)
    fid, root = sys.argv[1], (sys.argv[2] if len(sys.argv) > 2 else ".")
    path, old, new, _ = FAULTS[fid]
    full = f"{root}/{path}"
    text = open(full).read()
    if text.count(old) != 1:
        sys.exit(f"{fid}: the text to change is found {text.count(old)} times in {path}")
    open(full, "w").write(text.replace(old, new))
