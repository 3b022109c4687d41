#pragma once
// The prompt layer as a person sees it: Qt dialogs, the desktop clipboard, QSettings.

#include "ui/prompt.h"

namespace querimo {

class QtPrompt : public Prompt {
  public:
    MessageAnswer ShowMessage(const MessageRequest& request) override;
    std::optional<std::string> AskOpenFile(const FileRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileRequest& request) override;
    std::optional<std::string> ChooseDataSource(const std::string& inConnStr) override;
    std::optional<std::string> AskText(const TextRequest& request) override;
    void SetClipboardText(const std::string& bytes) override;
    std::string ReadSetting(const std::string& section, const std::string& key) override;
    void WriteSetting(const std::string& section, const std::string& key,
                      const std::string& value) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
};

// The company under which the per-user settings are kept.
inline constexpr const char* kSettingsOrganization = "Brenlow Ltd";

}  // namespace querimo
