#include "grid/tree_list/tree_list_errors.h"

void RaiseInvalidTreeListOperation(const std::string& message) { throw EInvaliddxTreeListOperation(message); }
