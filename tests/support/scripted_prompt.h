#pragma once
// A prompt that a test scripts: it records every question and notice and answers as told.

#include "ui/prompt.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScriptedPrompt : public querimo::Prompt {
  public:
    // Installs itself and routes the database layer's notices through itself.
    ScriptedPrompt();
    ~ScriptedPrompt() override;

    querimo::MessageAnswer ShowMessage(const querimo::MessageRequest& request) override;
    std::optional<std::string> AskOpenFile(const querimo::FileRequest& request) override;
    std::optional<std::string> AskSaveFile(const querimo::FileRequest& request) override;
    std::optional<std::string> ChooseDataSource(const std::string& inConnStr) override;
    void SetClipboardText(const std::string& bytes) override { clipboard = bytes; }
    std::string ReadSetting(const std::string& section, const std::string& key) override;
    void WriteSetting(const std::string& section, const std::string& key,
                      const std::string& value) override;
    void BeginWaitCursor() override { ++waitCursorDepth; }
    void EndWaitCursor() override { --waitCursorDepth; }

    // Answers are taken in order; without one a message is answered Ok and a file or data
    // source question is cancelled.
    std::deque<querimo::MessageAnswer> messageAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<std::optional<std::string>> dataSourceAnswers;

    std::vector<querimo::MessageRequest> messages;
    std::vector<querimo::FileRequest> fileRequests;
    std::vector<std::string> dataSourceRequests;
    std::map<std::pair<std::string, std::string>, std::string> settings;
    std::optional<std::string> clipboard;
    int waitCursorDepth = 0;

    std::vector<std::string> MessageTexts() const;
};
