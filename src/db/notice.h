#pragma once
// How the database layer shows a notice to a person without knowing any toolkit: the user
// interface installs a sink; without one, notices go to standard error.

#include <functional>
#include <string>

enum class NoticeIcon { Information, Exclamation, Stop };

using NoticeSink =
    std::function<void(const std::string& caption, const std::string& text, NoticeIcon icon)>;

// Installs the sink for the whole process; an empty sink restores standard error.
void SetNoticeSink(NoticeSink sink);
void ShowNotice(const std::string& caption, const std::string& text, NoticeIcon icon);
