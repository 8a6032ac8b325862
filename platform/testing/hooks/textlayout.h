// Test hooks of the formatted text's layout: how many paragraphs it has laid out with pango
// (reused ones do not count) and how many pango layouts it made for them, and the longest stretch of a long paragraph given to pango in
// one piece, so tests can cut paragraphs into many small pieces.
#pragma once

namespace jf {

unsigned long TestTextLayoutParagraphs();
unsigned long TestTextLayoutPieces();
// Characters per piece at most; 0 goes back to the default.
void TestSetTextLayoutPiece(int chars);

}  // namespace jf
