#include "contour/ContourChains.h"

#include <algorithm>
#include <numeric>
#include <bit>
#include <unordered_map>
#include <unordered_set>

namespace torvane {

namespace {

struct PointKey {
  uint32_t x, y, z;
  bool operator==(const PointKey&) const = default;
};

struct PointKeyHash {
  size_t operator()(const PointKey& k) const {
    uint64_t h = (uint64_t{k.x} << 32 | k.y) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(h ^ (k.z * 0xC2B2AE3D27D4EB4Full) ^ (h >> 29));
  }
};

PointKey keyOf(const OverlayVertex& v) {
  return {std::bit_cast<uint32_t>(v.x), std::bit_cast<uint32_t>(v.y), std::bit_cast<uint32_t>(v.z)};
}

struct Edge {
  uint32_t a, b;       // vertex ids
  bool joins = false;  // added to pair up the ends of a piece that needs several strokes
};

}  // namespace

std::vector<std::vector<uint32_t>> chainSegments(std::span<const OverlayVertex> points) {
  // Vertex ids by position (with a point of each), and one edge per distinct segment.
  std::unordered_map<PointKey, uint32_t, PointKeyHash> ids;
  ids.reserve(points.size());
  std::vector<uint32_t> pointOf;
  auto idOf = [&](uint32_t p) {
    const auto [it, added] =
        ids.try_emplace(keyOf(points[p]), static_cast<uint32_t>(pointOf.size()));
    if (added) {
      pointOf.push_back(p);
    }
    return it->second;
  };
  std::vector<Edge> edges;
  std::unordered_set<uint64_t> seen;
  for (uint32_t p = 0; p + 1 < points.size(); p += 2) {
    const uint32_t a = idOf(p), b = idOf(p + 1);
    if (a == b || !seen.insert(uint64_t{std::min(a, b)} << 32 | std::max(a, b)).second) {
      continue;  // a point, or a segment drawn already
    }
    edges.push_back({a, b});
  }
  const uint32_t n = static_cast<uint32_t>(pointOf.size());
  const size_t segments = edges.size();

  // Pieces (union-find) and their vertices of odd degree. A piece with 2k odd vertices needs k
  // strokes: joining all but two of them in pairs lets one walk draw it, split at the joins.
  std::vector<uint32_t> piece(n), degree(n, 0);
  std::iota(piece.begin(), piece.end(), 0u);
  auto root = [&](uint32_t v) {
    while (piece[v] != v) {
      v = piece[v] = piece[piece[v]];
    }
    return v;
  };
  for (const Edge& e : edges) {
    piece[root(e.a)] = root(e.b);
    ++degree[e.a];
    ++degree[e.b];
  }
  std::unordered_map<uint32_t, std::vector<uint32_t>> oddOf;  // by piece, in order of the edges
  for (size_t i = 0; i < segments; ++i) {
    for (const uint32_t v : {edges[i].a, edges[i].b}) {
      if (degree[v] % 2 == 1) {
        std::vector<uint32_t>& odd = oddOf[root(v)];
        if (std::find(odd.begin(), odd.end(), v) == odd.end()) {
          odd.push_back(v);
        }
      }
    }
  }
  for (const auto& [root, odd] : oddOf) {
    for (size_t i = 2; i + 1 < odd.size(); i += 2) {
      edges.push_back({odd[i], odd[i + 1], true});
    }
  }

  // Adjacency in compressed form: the edges of vertex v are incident[first[v] .. first[v+1]).
  std::vector<uint32_t> first(n + 1, 0);
  for (const Edge& e : edges) {
    ++first[e.a + 1];
    ++first[e.b + 1];
  }
  for (uint32_t v = 0; v < n; ++v) {
    first[v + 1] += first[v];
  }
  std::vector<uint32_t> incident(first[n]);
  std::vector<uint32_t> fill(first.begin(), first.end() - 1);
  for (uint32_t e = 0; e < edges.size(); ++e) {
    incident[fill[edges[e].a]++] = e;
    incident[fill[edges[e].b]++] = e;
  }
  std::vector<uint32_t> next(first.begin(), first.end() - 1);  // the next edge to look at
  std::vector<char> used(edges.size(), 0);
  auto takeEdge = [&](uint32_t v) -> int64_t {
    for (; next[v] < first[v + 1]; ++next[v]) {
      const uint32_t e = incident[next[v]];
      if (!used[e]) {
        used[e] = 1;
        return e;
      }
    }
    return -1;
  };
  auto other = [&](uint32_t e, uint32_t v) { return edges[e].a == v ? edges[e].b : edges[e].a; };

  // One walk per piece (Hierholzer's), from an odd vertex when it has some, in the order of the
  // pieces' first segments. The stack holds the walk, each entry with the edge that reached it;
  // popping gives the stroke backwards, and a join ends one line and begins the next.
  std::vector<std::vector<uint32_t>> lines;
  struct Entry {
    uint32_t vertex;
    int64_t edge;  // the edge from the entry below, -1 at the bottom
  };
  std::vector<Entry> stack;
  std::vector<char> walked(n, 0);
  for (size_t i = 0; i < segments; ++i) {
    const uint32_t r = root(edges[i].a);
    if (walked[r]) {
      continue;
    }
    walked[r] = 1;
    const auto odd = oddOf.find(r);
    stack.assign(1, {odd != oddOf.end() ? odd->second.front() : edges[i].a, -1});
    std::vector<uint32_t> line;
    auto endLine = [&] {
      if (line.size() >= 2) {
        lines.push_back(std::move(line));
      }
      line.clear();
    };
    while (!stack.empty()) {
      const Entry top = stack.back();
      if (const int64_t e = takeEdge(top.vertex); e >= 0) {
        stack.push_back({other(static_cast<uint32_t>(e), top.vertex), e});
        continue;
      }
      stack.pop_back();
      if (top.edge < 0) {
        continue;
      }
      const uint32_t e = static_cast<uint32_t>(top.edge);
      const uint32_t below = other(e, top.vertex);
      if (line.empty()) {
        line.push_back(pointOf[top.vertex]);
      }
      if (edges[e].joins) {
        endLine();
      }
      line.push_back(pointOf[below]);
    }
    endLine();
  }
  return lines;
}

}  // namespace torvane
