#pragma once

// Shows a prompt of the chat core with the program's prompt service (message boxes,
// text questions and the save dialog, or the scripted answers of FERRY_PROMPTS) and
// returns the answer. Blocks until the box closes; the core's prompt queue only asks
// from a fresh turn of the event loop, so the nested loop of a box keeps the
// connection served.

#include "chat/core/chatprompt.h"

#include <QString>

#include <optional>
#include <utility>

class QWidget;

namespace tavern {

CPromptAnswer AskWithPromptService(const CChatPrompt &prompt, QWidget *parent = nullptr);

// The font dialog of the Font command, started with the face in its "Regular" style at
// the point size; the chosen face and whole point size (0 for a size in pixels).
std::optional<std::pair<QString, int>> ChooseFontWithPromptService(const QString &face, int pointSize,
                                                                  QWidget *parent = nullptr);

} // namespace tavern
