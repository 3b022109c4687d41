#include "support/scripted_prompt.h"

namespace {

template <typename Answer>
Answer Next(std::deque<Answer>& answers, Answer fallback) {
    if (answers.empty()) {
        return fallback;
    }
    Answer answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

}  // namespace

ScriptedPrompt::ScriptedPrompt() {
    querimo::InstallPrompt(this);
    querimo::RouteDatabaseLayerThroughPrompt();
}

ScriptedPrompt::~ScriptedPrompt() {
    querimo::InstallPrompt(nullptr);
}

querimo::MessageAnswer ScriptedPrompt::ShowMessage(const querimo::MessageRequest& request) {
    messages.push_back(request);
    return Next(messageAnswers, querimo::MessageAnswer::Ok);
}

std::optional<std::string> ScriptedPrompt::AskOpenFile(const querimo::FileRequest& request) {
    fileRequests.push_back(request);
    return Next<std::optional<std::string>>(fileAnswers, std::nullopt);
}

std::optional<std::string> ScriptedPrompt::AskSaveFile(const querimo::FileRequest& request) {
    fileRequests.push_back(request);
    return Next<std::optional<std::string>>(fileAnswers, std::nullopt);
}

std::optional<std::string> ScriptedPrompt::ChooseDataSource(const std::string& inConnStr) {
    dataSourceRequests.push_back(inConnStr);
    return Next<std::optional<std::string>>(dataSourceAnswers, std::nullopt);
}

std::string ScriptedPrompt::ReadSetting(const std::string& section, const std::string& key) {
    auto found = settings.find({section, key});
    return found == settings.end() ? std::string() : found->second;
}

void ScriptedPrompt::WriteSetting(const std::string& section, const std::string& key,
                                  const std::string& value) {
    settings[{section, key}] = value;
}

std::vector<std::string> ScriptedPrompt::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : messages) {
        texts.push_back(message.text);
    }
    return texts;
}
