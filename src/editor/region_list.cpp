#include "editor/region_list.h"

#include <cstddef>

namespace {

// The parts of r outside cut, as up to four rectangles (bands above and below,
// then the pieces left and right of cut within its height).
int Subtract(const Bounds& r, const Bounds& cut, Bounds pieces[4]) {
    int count = 0;
    float top = r.top;
    float bottom = r.bottom;
    if (cut.top > r.top) {
        pieces[count++] = {r.left, r.top, r.right, cut.top};
        top = cut.top;
    }
    if (cut.bottom < r.bottom) {
        pieces[count++] = {r.left, cut.bottom, r.right, r.bottom};
        bottom = cut.bottom;
    }
    if (cut.left > r.left) pieces[count++] = {r.left, top, cut.left, bottom};
    if (cut.right < r.right) pieces[count++] = {cut.right, top, r.right, bottom};
    return count;
}

// Replaces list[index] with its part outside cut; further pieces go to the end.
void CutAway(BoundsList& list, std::size_t index, const Bounds& cut) {
    Bounds pieces[4];
    const int count = Subtract(list[index], cut, pieces);
    list[index] = pieces[0];
    for (int k = 1; k < count; ++k) list.push_back(pieces[k]);
}

bool SharesWholeEdge(const Bounds& a, const Bounds& b) {
    const bool stacked =
        a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top);
    const bool sideBySide =
        a.top == b.top && a.bottom == b.bottom && (a.right == b.left || b.right == a.left);
    return stacked || sideBySide;
}

void RemoveOverlaps(BoundsList& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = i + 1; j < list.size(); ++j) {
            if (list[j].Inside(list[i])) {
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(j));
                --j;
            } else if (list[i].Inside(list[j])) {
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
                --i;  // the next rectangle now stands at i
                break;
            } else if (list[i].Overlaps(list[j])) {
                // Neither lies inside the other, so the cut leaves at least one piece.
                if (list[i].Area() < list[j].Area()) {
                    CutAway(list, i, list[j]);
                } else {
                    CutAway(list, j, list[i]);
                }
            }
        }
    }
}

void JoinNeighbours(BoundsList& list) {
    bool joined = true;
    while (joined) {
        joined = false;
        for (std::size_t i = 0; i < list.size() && !joined; ++i) {
            for (std::size_t j = i + 1; j < list.size(); ++j) {
                if (SharesWholeEdge(list[i], list[j])) {
                    list[i] = list[i].Union(list[j]);
                    list.erase(list.begin() + static_cast<std::ptrdiff_t>(j));
                    joined = true;
                    break;
                }
            }
        }
    }
}

}  // namespace

void Optimize(BoundsList& list) {
    // Rectangles without area cover nothing and would only confuse the cuts.
    std::erase_if(list, [](const Bounds& r) { return !(r.W() > 0.0f && r.H() > 0.0f); });
    RemoveOverlaps(list);
    JoinNeighbours(list);
}
