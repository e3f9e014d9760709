#include "tools/vendu/ExportPage.h"

#include "tools/vendu/Commands.h"
#include "tools/vendu/Console.h"
#include "tools/vendu/EditSupport.h"
#include "tools/vendu/EntryInput.h"
#include "tools/vendu/EntryEdits.h"

#include "knowledge/EntrySpans.h"
#include "knowledge/Search.h"
#include "text/CodePage.h"
#include "text/Convert.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace vendu {

namespace {

// Characters that stand for themselves in the page's text; the rest become references.
std::string EscapeHtml(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        case '\r':
            break; // the line feed after it breaks the line
        default:
            // Control characters have no place in a page's text: shown as U+FFFD.
            if ((b < 0x20 && c != '\n' && c != '\t') || b == 0x7F)
                out += "\xEF\xBF\xBD";
            else
                out += c;
        }
    }
    return out;
}

// A JavaScript string literal that is also safe inside a script element.
std::string ScriptString(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char escape[8];
        if (utf8[i] == '"' || utf8[i] == '\\') {
            out += '\\';
            out += utf8[i];
        } else if (b < 0x20 || b == 0x7F || utf8[i] == '<' || utf8[i] == '>' || utf8[i] == '&') {
            std::snprintf(escape, sizeof escape, "\\u%04x", b);
            out += escape;
        } else if (utf8[i] == '\xE2' &&
                   (utf8.substr(i, 3) == "\xE2\x80\xA8" || utf8.substr(i, 3) == "\xE2\x80\xA9")) {
            out += utf8[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += utf8[i];
        }
    }
    return out + "\"";
}

// The program's match captions with {k} for the keyword and {n} for the count.
std::string CaptionTemplate(std::size_t count) {
    std::string caption = vorna::MatchCaption("\x01", count);
    caption.replace(caption.find('\x01'), 1, "{k}");
    if (count)
        caption.replace(caption.find(std::to_string(count)), std::to_string(count).size(), "{n}");
    return caption;
}

const char* const kStyle = R"CSS(
body { font: 15px/1.5 "Microsoft YaHei", "Noto Sans CJK SC", "WenQuanYi Zen Hei", sans-serif;
       margin: 0 auto; max-width: 52em; padding: 0 1em 2em; color: #222; background: #fff; }
header { position: sticky; top: 0; background: #fff; padding: .8em 0 .4em;
         border-bottom: 1px solid #ccc; }
h1 { font-size: 1.3em; margin: 0 0 .4em; overflow-wrap: anywhere; }
#keyword { width: 100%; box-sizing: border-box; font: inherit; padding: .3em .5em; }
#caption, #count { margin: .3em 0 0; color: #555; }
.entry { border-bottom: 1px solid #e4e4e4; padding: .6em 0; }
.entry h2 { font-size: .85em; color: #888; margin: 0; }
.question, .answer { white-space: pre-wrap; overflow-wrap: anywhere; }
.question { font-weight: bold; margin: .2em 0; }
@media print {
  header { position: static; border: 0; }
  #keyword, #caption { display: none; }
  body { max-width: none; font-size: 11pt; color: #000; }
  .entry { break-inside: avoid; }
}
)CSS";

const char* const kScript = R"JS(
(function () {
  "use strict";
  var texts = JSON.parse(document.getElementById("entry-texts").textContent);
  var entries = document.querySelectorAll("#entries > article");
  var box = document.getElementById("keyword");
  var caption = document.getElementById("caption");
  var found = caption.getAttribute("data-found"), none = caption.getAttribute("data-none");
  function show() {
    var keyword = box.value, count = 0;
    for (var i = 0; i < texts.length; i++) {
      // The question, and only when it lacks the keyword, the answer.
      var match = texts[i][0].indexOf(keyword) !== -1 || texts[i][1].indexOf(keyword) !== -1;
      entries[i].hidden = !match;
      if (match)
        count++;
    }
    var text = count ? found.replace("{n}", String(count)) : none;
    caption.textContent = text.replace("{k}", function () { return keyword; });
  }
  box.addEventListener("input", show);
  show();
})();
)JS";

// Markdown text for one line of an entry: every sign that could start markup escaped, the
// blanks that begin it as references (so they indent nothing).
std::string EscapeMarkdownLine(std::string_view line) {
    std::string out;
    std::size_t i = 0;
    for (; i < line.size() && (line[i] == ' ' || line[i] == '\t'); ++i)
        out += line[i] == ' ' ? "&#32;" : "&#9;";
    const std::size_t start = i;
    std::size_t digits = start;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9')
        ++digits;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        const bool atStart = i == start && (c == '-' || c == '+' || c == '=');
        const bool listNumber = i == digits && digits > start && (c == '.' || c == ')');
        if (atStart || listNumber ||
            std::string_view("\\`*_[]<>#|~!&").find(c) != std::string_view::npos)
            out += '\\';
        out += c;
    }
    return out;
}

// A text as Markdown lines, each with prefix, kept apart by hard line breaks.
std::string MarkdownBlock(std::string_view utf8, const char* prefix) {
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t lf = utf8.find('\n', from);
        std::string_view line = utf8.substr(from, lf == std::string_view::npos ? lf : lf - from);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::string escaped = EscapeMarkdownLine(line);
        out += prefix + (escaped.empty() ? std::string("&#32;") : escaped);
        if (lf == std::string_view::npos)
            return out + "\n";
        out += "\\\n";
        from = lf + 1;
    }
}

} // namespace

std::string DecodeForReading(std::string_view s, std::size_t* invalid, vorna::Encoding encoding) {
    if (encoding == vorna::Encoding::utf8) {
        std::string out;
        for (std::size_t i = 0; i < s.size();) {
            const std::size_t n = vorna::Utf8CharLength(s, i);
            if (n > 0)
                out += s.substr(i, n);
            else
                out += "\xEF\xBF\xBD";
            if (!n && invalid)
                ++*invalid;
            i += n ? n : 1;
        }
        return out;
    }
    vorna::Converted<std::string> whole =
        vorna::Convert(s, vorna::Encoding::cp936, vorna::Encoding::utf8);
    if (whole.ok)
        return std::move(whole.text);
    const vorna::LeadBytes lead = vorna::LeadBytes::Cp936();
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t end = i;
        while (end < s.size() && vorna::Cp936CharLength(s, end) > 0)
            end += vorna::Cp936CharLength(s, end);
        if (end > i) {
            // Characters of the table that the system's converter still lacks are replaced
            // one by one.
            const std::string_view run = s.substr(i, end - i);
            vorna::Converted<std::string> converted =
                vorna::Convert(run, vorna::Encoding::cp936, vorna::Encoding::utf8);
            if (converted.ok) {
                out += converted.text;
            } else {
                for (std::size_t k = 0; k < run.size();) {
                    const std::size_t n = vorna::Cp936CharLength(run, k);
                    converted = vorna::Convert(run.substr(k, n), vorna::Encoding::cp936,
                                               vorna::Encoding::utf8);
                    out += converted.ok ? converted.text : "\xEF\xBF\xBD";
                    if (!converted.ok && invalid)
                        ++*invalid;
                    k += n;
                }
            }
            i = end;
            continue;
        }
        out += "\xEF\xBF\xBD";
        if (invalid)
            ++*invalid;
        i += lead.IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    }
    return out;
}

namespace {

// The page's bytes gathered into pieces of some size before they go out.
class PageWriter {
public:
    explicit PageWriter(const PageOutput& output) : m_output(output) {}
    ~PageWriter() { Flush(); }

    PageWriter& operator<<(std::string_view bytes) {
        m_buffer += bytes;
        if (m_buffer.size() >= (1u << 16))
            Flush();
        return *this;
    }

private:
    void Flush() {
        if (!m_buffer.empty())
            m_output(m_buffer);
        m_buffer.clear();
    }

    const PageOutput& m_output;
    std::string m_buffer;
};

} // namespace

vorna::FileResult WriteHtmlPage(const PageEntries& entries, std::size_t count,
                                const std::string& title, const std::string& nonce,
                                const PageOutput& output) {
    PageWriter page(output);
    const std::string name = EscapeHtml(title);
    page << "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
            "style-src 'nonce-"
         << nonce << "'; script-src 'nonce-" << nonce
         << "'\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            "<title>"
         << name << "</title>\n<style nonce=\"" << nonce << "\">" << kStyle
         << "</style>\n</head>\n<body>\n<header>\n<h1>" << name << "</h1>\n<p id=\"count\">"
         << EscapeHtml(vorna::EntryCountCaption(count))
         << "</p>\n<input id=\"keyword\" type=\"search\" autocomplete=\"off\" "
            "spellcheck=\"false\" placeholder=\"搜索\" aria-label=\"搜索\">\n"
            "<p id=\"caption\" aria-live=\"polite\" data-found=\""
         << EscapeHtml(CaptionTemplate(2)) << "\" data-none=\"" << EscapeHtml(CaptionTemplate(0))
         << "\"></p>\n</header>\n<main id=\"entries\">\n";
    // The entries as the page shows them, then once more as the texts its search box looks in.
    std::size_t number = 0;
    vorna::FileResult read = entries([&](const PageEntry& e) {
        const std::string n = std::to_string(++number);
        page << "<article class=\"entry\" id=\"entry-" << n << "\"><h2>" << n
             << "</h2><div class=\"question\">"
             << EscapeHtml(DecodeForReading(WrittenText(e.question, true), nullptr, e.encoding))
             << "</div><div class=\"answer\">"
             << EscapeHtml(DecodeForReading(WrittenText(e.answer, e.followedByRecord), nullptr,
                                            e.encoding))
             << "</div></article>\n";
    });
    if (!read.Ok())
        return read;
    page << "</main>\n<script type=\"application/json\" id=\"entry-texts\">[";
    number = 0;
    read = entries([&](const PageEntry& e) {
        page << (number++ ? ",\n[" : "\n[")
             << ScriptString(DecodeForReading(e.question, nullptr, e.encoding)) << ","
             << ScriptString(DecodeForReading(e.answer, nullptr, e.encoding)) << "]";
    });
    if (!read.Ok())
        return read;
    page << "\n]</script>\n<script nonce=\"" << nonce << "\">" << kScript
         << "</script>\n</body>\n</html>\n";
    return read;
}

vorna::FileResult WriteMarkdown(const PageEntries& entries, std::size_t count,
                                const std::string& title, const PageOutput& output) {
    PageWriter page(output);
    page << "# " << EscapeMarkdownLine(title) << "\n\n" << vorna::EntryCountCaption(count) << "\n";
    std::size_t number = 0;
    return entries([&](const PageEntry& e) {
        page << "\n## " << std::to_string(++number) << "\n\n";
        const std::string question =
            DecodeForReading(WrittenText(e.question, true), nullptr, e.encoding);
        const std::string answer =
            DecodeForReading(WrittenText(e.answer, e.followedByRecord), nullptr, e.encoding);
        if (!question.empty())
            page << MarkdownBlock(question, "") << "\n";
        if (!answer.empty())
            page << MarkdownBlock(answer, "> ");
    });
}

int RunExportPage(const Options& options, const std::string& format) {
    if (options.positional.empty() || options.Has("--raw"))
        return UsageError(options, "give an entry file (--raw is for csv and jsonl)");
    // Read a window of whole entries at a time, through one open of each file: first to count
    // the entries (the page says how many before it shows them) and the bytes that are not
    // in the file's encoding anywhere, then as the page is written, file after file.
    std::vector<std::unique_ptr<EntryInput>> inputs;
    for (const std::string& path : options.positional) {
        inputs.push_back(std::make_unique<EntryInput>());
        if (const vorna::FileResult opened = inputs.back()->Open(options, path, true);
            !opened.Ok()) {
            Report(options, path, DescribeFile(opened));
            return kExitError;
        }
    }
    std::size_t count = 0;
    std::vector<std::size_t> invalid(inputs.size(), 0);
    std::vector<vorna::EntrySpan> spans;
    vorna::WindowReading whole;
    whole.preamble = true;
    vorna::FileResult read;
    std::size_t failing = 0; // the file whose read failed
    for (std::size_t k = 0; k < inputs.size() && read.Ok(); ++k) {
        const vorna::Encoding encoding = inputs[k]->Coding().Text();
        failing = k;
        read = inputs[k]->Pass(whole, [&](const vorna::Window& w) {
            DecodeForReading(w.bytes, &invalid[k], encoding);
            if (w.preamble)
                return;
            vorna::ScanEntrySpans(w.bytes, spans);
            count += static_cast<std::size_t>(std::count_if(
                spans.begin(), spans.end(), [](const vorna::EntrySpan& s) { return s.Kept(); }));
        });
    }
    const PageEntries entries = [&](const std::function<void(const PageEntry&)>& visit) {
        vorna::WindowReading reading;
        reading.viewSize = 4 << 20;
        vorna::FileResult done;
        for (std::size_t k = 0; k < inputs.size() && done.Ok(); ++k) {
            const vorna::Encoding encoding = inputs[k]->Coding().Text();
            failing = k;
            done = inputs[k]->Pass(reading, [&](const vorna::Window& w) {
                vorna::ScanEntrySpans(w.bytes, spans);
                for (const vorna::EntrySpan& span : spans) {
                    if (!span.Kept())
                        continue;
                    // A question marker follows in this window, or begins the next one.
                    const std::string_view s = w.bytes;
                    visit({s.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin()),
                           s.substr(span.AnswerBegin(), span.next - span.AnswerBegin()),
                           span.next < s.size() || !w.last, encoding});
                }
            });
        }
        return done;
    };
    const PageOutput output = [](std::string_view bytes) { WriteBytes(stdout, bytes); };
    std::string title;
    for (const std::string& path : options.positional)
        title += (title.empty() ? "" : ", ") +
                 (path == "-" ? InputName(path) : path.substr(path.find_last_of("/\\") + 1));
    if (read.Ok() && format == "md") {
        read = WriteMarkdown(entries, count, title, output);
    } else if (read.Ok()) {
        // A nonce nobody can know beforehand: no script that an entry smuggled in could run.
        std::random_device random;
        std::string nonce;
        for (int k = 0; k < 4; ++k) {
            char part[9];
            std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
            nonce += part;
        }
        read = WriteHtmlPage(entries, count, title, nonce, output);
    }
    if (!read.Ok()) {
        // Whatever of the page went out before is no page: the failure is the result.
        Report(options, options.positional[failing], DescribeFile(read));
        return kExitError;
    }
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        if (invalid[k] > 0)
            Report(options, options.positional[k],
                   "note: " + Count(invalid[k], "byte sequence", "byte sequences") +
                       " that are not " + inputs[k]->Coding().TextName() + " are shown as U+FFFD");
    }
    return kExitOk;
}

} // namespace vendu
