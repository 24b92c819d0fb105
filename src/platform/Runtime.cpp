// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Runtime.h"

#include <cassert>

namespace {
Runtime* current = nullptr;
}

Runtime& runtime()
{
    assert(current && "the runtime services are set at start-up");
    return *current;
}

void setRuntime(Runtime* services) { current = services; }

BusyCursor::BusyCursor() { runtime().setBusyCursor(true); }

BusyCursor::~BusyCursor() { runtime().setBusyCursor(false); }
