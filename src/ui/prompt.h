#pragma once
// Every question, notice and desktop service that needs a person or the desktop goes through
// this one layer, so that tests can answer instead of a person.

#include <optional>
#include <string>

namespace querimo {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    std::string caption;
    std::string text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

struct FileRequest {
    std::string caption;
    // Pairs "description|pattern" separated by '|', ended by "||".
    std::string filter;
    std::string initialFolder;
    std::string initialName;
    std::string defaultSuffix;
};

struct TextRequest {
    std::string caption;
    std::string label;
    std::string initialText;
    // Typed characters are not shown (a password).
    bool hidden = false;
};

class Prompt {
  public:
    virtual ~Prompt() = default;

    virtual MessageAnswer ShowMessage(const MessageRequest& request) = 0;
    virtual std::optional<std::string> AskOpenFile(const FileRequest& request) = 0;
    virtual std::optional<std::string> AskSaveFile(const FileRequest& request) = 0;
    // A connection string for the data source the person chose; nullopt when cancelled.
    virtual std::optional<std::string> ChooseDataSource(const std::string& inConnStr) = 0;
    // One line of text; nullopt when cancelled, which is also the answer of a prompt that cannot
    // ask.
    virtual std::optional<std::string> AskText(const TextRequest& /*request*/) {
        return std::nullopt;
    }
    virtual void SetClipboardText(const std::string& bytes) = 0;
    virtual std::string ReadSetting(const std::string& section, const std::string& key) = 0;
    virtual void WriteSetting(const std::string& section, const std::string& key,
                              const std::string& value) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
};

// The prompt in use; the Qt one unless a test installed its own.
Prompt& CurrentPrompt();
// Installs a prompt (not owned); nullptr returns to the Qt prompt.
void InstallPrompt(Prompt* prompt);

// Routes the database layer's notices and connection prompts through the current prompt.
void RouteDatabaseLayerThroughPrompt();

// Holds the wait cursor for the life of the object.
class WaitCursor {
  public:
    WaitCursor() { CurrentPrompt().BeginWaitCursor(); }
    ~WaitCursor() { CurrentPrompt().EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace querimo
