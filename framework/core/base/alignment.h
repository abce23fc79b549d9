#pragma once
// Horizontal alignment of text, shared by fields (how a value wants to be
// shown) and by controls (how they draw it).

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
