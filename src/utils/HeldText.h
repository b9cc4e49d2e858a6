#pragma once
// Lines held until it is known which of two marks they carry: a dump holds the lines of a
// terminal's records until it knows whether the terminal's log is cleared. Each line is added as
// carrying the first mark, with where that mark stands in it; the lines are then given out as
// they are, or with every mark replaced by the other one.
//
// The lines are kept in pieces of a fixed size: thousands of lines are never moved as they grow.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class THeldText {
 public:
  // AHeld: the mark every line is added with; AOther: the mark that may replace it.
  THeldText(std::string_view AHeld, std::string_view AOther) : FHeld(AHeld), FOther(AOther) {}

  // Adds a line: AAppend(std::string&) appends it to the string given and returns where in that
  // string its mark is.
  template <class TAppend>
  void Add(TAppend&& AAppend) {
    TPiece& piece = Room();
    piece.Marks.push_back(AAppend(piece.Text));
  }
  bool Empty() const { return FPieces.empty(); }
  // Hands the lines to AWrite (taking a std::string_view, returning false when it fails) piece
  // by piece, as added or, with AOther, carrying the other mark; false when AWrite failed (or a
  // mark was not where it was said to be).
  template <class TWrite>
  bool WriteOut(bool AOther, TWrite&& AWrite) const {
    std::string remarked;
    for (const TPiece& piece : FPieces) {
      if (AOther && !ReplaceMarks(piece.Text, piece.Marks, FHeld, FOther, remarked)) return false;
      if (!AWrite(AOther ? std::string_view(remarked) : std::string_view(piece.Text))) return false;
    }
    return true;
  }
  void Clear() { FPieces.clear(); }

  // AText with the mark AFrom at each of AMarks (positions in AText, in order) replaced by ATo,
  // into AOut. False, with AOut unchanged, when AFrom is not where a mark says.
  static bool ReplaceMarks(std::string_view AText, const std::vector<std::size_t>& AMarks,
                           std::string_view AFrom, std::string_view ATo, std::string& AOut);

 private:
  struct TPiece {
    std::string Text;
    std::vector<std::size_t> Marks;
  };
  static constexpr std::size_t kPieceSize = 256 * 1024;
  // Room an ordinary line is sure to find in a piece; a longer one makes its piece grow.
  static constexpr std::size_t kLineRoom = 1024;
  TPiece& Room();

  std::string FHeld;
  std::string FOther;
  std::vector<TPiece> FPieces;
};
