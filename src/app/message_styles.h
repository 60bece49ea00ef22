#pragma once

#include "app/messages.h"

namespace msg {

// The Yes/No question (style 36) with No as the default button (+ 256), for what a hurried
// Enter must not do: the message service answers it as it answers any question.
inline constexpr int QuestionDefaultNo = Question + 256;

// Whether the style asks Yes or No, whichever its default button.
inline bool isQuestion(int style) {
    return style == Question || style == QuestionDefaultNo;
}

} // namespace msg
