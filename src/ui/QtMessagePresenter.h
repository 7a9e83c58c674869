#pragma once

#include "core/MessageService.h"

// Real message boxes for the message service.
class QtMessagePresenter : public MessagePresenter
{
public:
    MsgResult present(MsgKind kind, const QString& caption, const QString& text, MsgButtons buttons) override;
};
