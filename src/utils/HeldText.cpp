#include "utils/HeldText.h"

THeldText::TPiece& THeldText::Room() {
  if (FPieces.empty() || FPieces.back().Text.size() > kPieceSize - kLineRoom) {
    FPieces.emplace_back();
    FPieces.back().Text.reserve(kPieceSize);
  }
  return FPieces.back();
}

bool THeldText::ReplaceMarks(std::string_view AText, const std::vector<std::size_t>& AMarks,
                             std::string_view AFrom, std::string_view ATo, std::string& AOut) {
  std::string out;
  const std::size_t longer = ATo.size() > AFrom.size() ? ATo.size() - AFrom.size() : 0;
  out.reserve(AText.size() + AMarks.size() * longer);
  std::size_t from = 0;
  for (const std::size_t mark : AMarks) {
    if (mark < from || mark > AText.size() || AText.substr(mark, AFrom.size()) != AFrom)
      return false;
    out.append(AText, from, mark - from);
    out += ATo;
    from = mark + AFrom.size();
  }
  out.append(AText, from);
  AOut = std::move(out);
  return true;
}
