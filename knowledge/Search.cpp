#include "knowledge/Search.h"

#include "text/ByteFinder.h"

#include <algorithm>
#include <numeric>

namespace vorna {

namespace {

// The text that holds position p (bounds[t] <= p < bounds[t + 1]), looking forward from
// text t. It gallops, so passing over many texts costs their logarithm, not their number.
template <class Bound>
std::size_t TextAt(const Bound* bounds, std::size_t texts, std::size_t t, std::size_t p) {
    if (bounds[t + 1] > p)
        return t;
    std::size_t lo = t + 1, step = 1;
    for (;;) {
        std::size_t hi = lo + step;
        if (hi >= texts || bounds[hi] > p) {
            hi = std::min(hi, texts); // bounds[texts], the end of all texts, lies beyond p
            return static_cast<std::size_t>(std::upper_bound(bounds + lo, bounds + hi, p) -
                                            bounds) -
                   1;
        }
        lo = hi;
        step *= 2;
    }
}

// The texts lie one after the other in all, so the keyword's bytes are looked for once over
// all of them. A place counts when it lies wholly inside one text and begins a character
// there (as FindKeyword decides, from the text's start); once an entry matches, the search
// goes on at the next entry.
template <class Bound>
void MatchTexts(std::string_view all, const Bound* bounds, std::size_t texts,
                std::string_view keyword, const LeadBytes& lead, std::vector<std::uint32_t>& out) {
    const detail::ByteFinder finder(keyword);
    const std::size_t length = keyword.size();
    std::size_t t = 0;
    CharacterStartsByText starts(all, lead);
    const auto accept = [&](std::size_t p) {
        t = TextAt(bounds, texts, t, p);
        if (p + length > bounds[t + 1])
            return false; // runs on past the end of its text
        return starts.IsStart(bounds[t], p);
    };
    std::size_t from = 0;
    while (from < all.size()) {
        if (finder.Find(all.data(), all.size(), from, accept) == detail::kNotFound)
            break;
        const std::size_t entry = t / 2;
        out.push_back(static_cast<std::uint32_t>(entry));
        t = 2 * entry + 2; // the question of the next entry
        if (t >= texts)
            break;
        from = bounds[t];
    }
}

} // namespace

void FindMatches(const CEntryStore& store, std::string_view keyword, const LeadBytes& lead,
                 std::vector<std::uint32_t>& out) {
    out.clear();
    const std::size_t count = store.GetCount();
    if (keyword.empty()) {
        // Found at the start of every text, an empty one too.
        out.resize(count);
        std::iota(out.begin(), out.end(), 0u);
        return;
    }
    const std::string_view all = store.AllTexts();
    store.Bounds().With(
        [&](const auto* bounds) { MatchTexts(all, bounds, 2 * count, keyword, lead, out); });
}

std::string MakeLabel(std::string_view question, std::string_view answer) {
    std::string label;
    label.reserve(question.size() + 1 + answer.size());
    label.append(question).append(1, '/').append(answer);
    return label;
}

std::string EntryCountCaption(std::size_t count) {
    return "搜索：" + std::to_string(count) + "条结果";
}

std::string MatchCaption(std::string_view keyword, std::size_t count) {
    std::string caption = "【";
    caption += keyword;
    if (count > 0)
        caption += "】共用" + std::to_string(count) + "条搜索结果";
    else
        caption += "】无搜索结果";
    return caption;
}

} // namespace vorna
