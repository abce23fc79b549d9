#pragma once
// The grid's own error for misuse of the tree list and its nodes, and the
// texts it is raised with.

#include <string>
#include <string_view>

#include "framework/core/base/exceptions.h"

TULVO_DECLARE_EXCEPTION(EInvaliddxTreeListOperation, Exception);

// A node was asked to be created without a tree list to belong to.
inline constexpr std::string_view SdxInvalidNodeOwner = "Invalid Owner TdxTreeListNode";

[[noreturn]] void RaiseInvalidTreeListOperation(const std::string& message);
