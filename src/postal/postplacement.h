#pragma once

#include "print/blockplacement.h"
#include "print/logfont.h"
#include "print/papersizes.h"

// The blocks placed for the post on an envelope of this size: the mailing
// block's first line inside the area the sorting machines read, with room
// below it for four lines of the mailing font, and the return block in the
// top left corner, clear of it. Fonts as stored, heights in pixels of a
// screen of screenDpiY.
BlockPlacement PlaceForPost(const PaperSize& size, const LOGFONTW& returnFont,
                            const LOGFONTW& mailingFont, int screenDpiY);
// Whose rules that follows, for a person: "the US Postal Service's" or "the
// European postal operators'" with the margins in words.
QString PostRulesDescription(const PaperSize& size);
