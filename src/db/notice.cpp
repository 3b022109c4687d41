#include "db/notice.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

NoticeSink& Sink() {
    static NoticeSink sink;
    return sink;
}

}  // namespace

void SetNoticeSink(NoticeSink sink) {
    std::lock_guard lock(SinkMutex());
    Sink() = std::move(sink);
}

void ShowNotice(const std::string& caption, const std::string& text, NoticeIcon icon) {
    NoticeSink sink;
    {
        std::lock_guard lock(SinkMutex());
        sink = Sink();
    }
    if (sink) {
        sink(caption, text, icon);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}
