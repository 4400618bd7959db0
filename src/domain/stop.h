// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/messageid.h"
#include "domain/numbers.h"

#include <variant>

// Why an operation ended early: a warning that the window words in its language, or a text that
// is no number, shown as the general error report.
using Stop = std::variant<MessageId, ConversionError>;

inline bool isWarning(const Stop &stop)
{
    return std::holds_alternative<MessageId>(stop);
}
