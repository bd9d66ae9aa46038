#include "files/unified_diff.h"

#include <algorithm>
#include <vector>

namespace tolvern {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = nl == std::string_view::npos ? text.size() : nl + 1;
  }
  return lines;
}

enum class Op { kKeep, kDelete, kInsert };

// The edit script of the shortest edit (Myers), after the common head and
// tail are taken off so that the search only sees the changed middle.
std::vector<Op> EditScript(const std::vector<std::string_view>& a,
                           const std::vector<std::string_view>& b) {
  size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
    ++tail;
  const int n = static_cast<int>(a.size() - head - tail);
  const int m = static_cast<int>(b.size() - head - tail);
  auto A = [&](int i) { return a[head + static_cast<size_t>(i)]; };
  auto B = [&](int j) { return b[head + static_cast<size_t>(j)]; };
  const int max = n + m;
  std::vector<int> v(static_cast<size_t>(2 * max + 2), 0);
  std::vector<std::vector<int>> trace;
  int d_end = 0;
  for (int d = 0; d <= max; ++d) {
    // Only the diagonals -d..d matter at step d: keep those, so the trace
    // grows with the square of the edit distance, not with the file size.
    trace.emplace_back(v.begin() + (max - d), v.begin() + (max + d + 1));
    bool done = false;
    for (int k = -d; k <= d; k += 2) {
      size_t ki = static_cast<size_t>(k + max);
      int x = (k == -d || (k != d && v[ki - 1] < v[ki + 1])) ? v[ki + 1] : v[ki - 1] + 1;
      int y = x - k;
      while (x < n && y < m && A(x) == B(y)) ++x, ++y;
      v[ki] = x;
      if (x >= n && y >= m) {
        done = true;
        break;
      }
    }
    if (done) {
      d_end = d;
      break;
    }
  }
  std::vector<Op> middle;
  int x = n, y = m;
  for (int d = d_end; d > 0; --d) {
    const std::vector<int>& pv = trace[static_cast<size_t>(d)];
    auto at = [&](int kk) { return pv[static_cast<size_t>(kk + d)]; };
    int k = x - y;
    int prev_k = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
    int prev_x = at(prev_k);
    int prev_y = prev_x - prev_k;
    while (x > prev_x && y > prev_y) {
      middle.push_back(Op::kKeep);
      --x, --y;
    }
    middle.push_back(x == prev_x ? Op::kInsert : Op::kDelete);
    x = prev_x;
    y = prev_y;
  }
  while (x > 0 && y > 0) {
    middle.push_back(Op::kKeep);
    --x, --y;
  }
  std::reverse(middle.begin(), middle.end());
  std::vector<Op> ops(head, Op::kKeep);
  ops.insert(ops.end(), middle.begin(), middle.end());
  ops.insert(ops.end(), tail, Op::kKeep);
  return ops;
}

}  // namespace

std::string UnifiedDiff(std::string_view before, std::string_view after,
                        const std::string& before_label, const std::string& after_label,
                        bool color) {
  const auto a = Lines(before), b = Lines(after);
  const std::vector<Op> ops = EditScript(a, b);
  const char* red = color ? "\033[31m" : "";
  const char* green = color ? "\033[32m" : "";
  const char* cyan = color ? "\033[36m" : "";
  const char* bold = color ? "\033[1m" : "";
  const char* reset = color ? "\033[0m" : "";
  constexpr size_t kContext = 3;
  std::string out;
  size_t i = 0;
  // Positions in a and b of each op.
  std::vector<size_t> ai(ops.size() + 1), bi(ops.size() + 1);
  for (size_t k = 0, x = 0, y = 0; k <= ops.size(); ++k) {
    ai[k] = x;
    bi[k] = y;
    if (k == ops.size()) break;
    if (ops[k] != Op::kInsert) ++x;
    if (ops[k] != Op::kDelete) ++y;
  }
  while (i < ops.size()) {
    if (ops[i] == Op::kKeep) {
      ++i;
      continue;
    }
    // A hunk: from kContext before this change to kContext after the last
    // change that is at most 2 * kContext kept lines further.
    size_t start = i >= kContext ? i - kContext : 0;
    size_t end = i;
    for (size_t keep = 0; end < ops.size(); ++end) {
      if (ops[end] == Op::kKeep) {
        if (++keep > 2 * kContext) break;
      } else {
        keep = 0;
      }
    }
    while (end > i && ops[end - 1] == Op::kKeep) --end;
    end = std::min(ops.size(), end + kContext);
    if (out.empty())
      out += std::string(bold) + "--- " + before_label + "\n+++ " + after_label + reset + "\n";
    size_t a_count = ai[end] - ai[start], b_count = bi[end] - bi[start];
    out += std::string(cyan) + "@@ -" + std::to_string(ai[start] + (a_count ? 1 : 0)) + "," +
           std::to_string(a_count) + " +" + std::to_string(bi[start] + (b_count ? 1 : 0)) + "," +
           std::to_string(b_count) + " @@" + reset + "\n";
    for (size_t k = start; k < end; ++k) {
      switch (ops[k]) {
        case Op::kKeep:
          out += " " + std::string(a[ai[k]]) + "\n";
          break;
        case Op::kDelete:
          out += std::string(red) + "-" + std::string(a[ai[k]]) + reset + "\n";
          break;
        case Op::kInsert:
          out += std::string(green) + "+" + std::string(b[bi[k]]) + reset + "\n";
          break;
      }
    }
    i = end;
  }
  return out;
}

}  // namespace tolvern
