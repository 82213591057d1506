#pragma once
// Where the ASCII or SJIS text of some bytes may hold a pattern, from the bytes
// alone. As the search sees them, both texts give one character per byte (ASCII's
// line breaks stand only in the pane), and most characters come from one byte only
// (in ASCII every printable one but ".", in SJIS every one but the space, which
// zeros become too): two such characters side by side in the pattern stand side by
// side in the bytes of every match, whichever lines or sectors it runs across.
#include "device/TextAnchor.h"
#include "device/TextKind.h"

#include <string_view>
#include <vector>

// kind: TEXT_ASCII or TEXT_SJIS. Every match holds the one anchor; none at all
// when the text never holds some character of the pattern.
std::vector<TextAnchor> ByteTextAnchors(TextKind kind, std::string_view pattern);
