#include "cli/font_report.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include <beziercurve/beziercurve.h>

#include "cli/certified_format.h"

namespace {

std::string escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
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
      default:
        out += c;
    }
  }
  return out;
}

std::string shortest(double value) {
  if (!std::isfinite(value)) return "";
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// The interval with six decimals, rounded outwards as the program prints it: each shown figure
// is still a bound.
std::pair<std::string, std::string> shownInterval(double lower, double upper) {
  beziercurve::Distance d{};
  d.lower = lower;
  d.upper = upper;
  std::string text;
  appendInterval(text, d, 6);
  const std::size_t comma = text.find(',');
  return {text.substr(1, comma - 1), text.substr(comma + 1, text.size() - comma - 2)};
}

std::string base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = unsigned(static_cast<unsigned char>(bytes[i])) << 16 |
                       unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                       unsigned(static_cast<unsigned char>(bytes[i + 2]));
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += kDigits[v & 63];
  }
  if (i < bytes.size()) {
    unsigned v = unsigned(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size()) v |= unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8;
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

const char kStyle[] = R"(<style>
body{font:14px/1.4 sans-serif;margin:1.5em;color:#222}
h2{margin-top:1.5em;font-size:1.1em}
pre{background:#f6f6f6;padding:.6em;overflow-x:auto}
table{border-collapse:collapse;font-variant-numeric:tabular-nums}
th,td{padding:2px 8px;border-bottom:1px solid #eee;text-align:left}
th{cursor:pointer;background:#fafafa;position:sticky;top:0}
td.n{text-align:right}
tr.changed td{background:#fff3f0}
.pictures{display:flex;flex-wrap:wrap;gap:8px}
figure{margin:0;width:400px}
figure img{width:400px;height:400px;border:1px solid #ddd}
#controls{margin:1em 0}
</style>
)";

// Sorting by a column (numbers as numbers, a second click reverses), a text filter and a
// "changed only" switch; #sort=COLUMN in the address sorts when the page opens.
const char kScript[] = R"(<script>
(function(){
var table=document.getElementById('glyphs'),body=table.tBodies[0];
var rows=Array.prototype.slice.call(body.rows),order={};
function key(row,c){var v=row.cells[c].getAttribute('data-v');
 if(v!==null){return v===''?-Infinity:parseFloat(v);}return row.cells[c].textContent;}
function sortBy(c){var up=order[c]=!order[c];
 rows.sort(function(a,b){var x=key(a,c),y=key(b,c);return (x<y?-1:x>y?1:0)*(up?1:-1);});
 var f=document.createDocumentFragment();rows.forEach(function(r){f.appendChild(r);});
 body.appendChild(f);table.setAttribute('data-sorted',c+(up?'+':'-'));}
Array.prototype.forEach.call(table.tHead.rows[0].cells,function(th,c){
 th.addEventListener('click',function(){sortBy(c);});});
var text=document.getElementById('filter'),changed=document.getElementById('changed');
function filter(){var t=text.value.toLowerCase(),only=changed.checked,shown=0;
 rows.forEach(function(r){var ok=(!only||r.className==='changed')&&
  (t===''||r.textContent.toLowerCase().indexOf(t)>=0);r.style.display=ok?'':'none';shown+=ok;});
 document.getElementById('shown').textContent=shown;}
text.addEventListener('input',filter);changed.addEventListener('change',filter);
var m=/#sort=(\d+)(-?)/.exec(location.hash);
if(m){sortBy(+m[1]);if(m[2]==='-')sortBy(+m[1]);}
document.body.setAttribute('data-ready',Math.round(performance.now()));
})();
</script>
)";

void appendPair(std::string& html, const ReportPair& pair, std::size_t index) {
  html += "<h2 id=\"pair-" + std::to_string(index) + "\">" + escaped(pair.fontA) + " against " +
          escaped(pair.fontB) + "</h2>\n<pre class=\"summary\">" + escaped(pair.summary) +
          "</pre>\n";
  if (pair.pictures.empty()) return;
  html += "<div class=\"pictures\">\n";
  for (const ReportPicture& picture : pair.pictures) {
    html += "<figure><img alt=\"" + escaped(picture.glyph) + "\" src=\"data:image/svg+xml;base64," +
            base64(picture.svg) + "\"><figcaption>" + escaped(picture.glyph) +
            "</figcaption></figure>\n";
  }
  html += "</div>\n";
}

void appendRow(std::string& html, const ReportRow& row, const FontReport& report) {
  const ReportPair& pair = report.pairs[static_cast<std::size_t>(row.fontPair)];
  const double difference = row.advance[1] - row.advance[0];
  html += row.changed ? "<tr class=\"changed\">" : "<tr>";
  if (report.pairs.size() > 1) html += "<td>" + escaped(pair.fontA) + "</td>";
  html += "<td>" + escaped(row.glyph) + "</td><td>" + escaped(row.outcome) + "</td>";
  const auto [lower, upper] =
      row.measured ? shownInterval(row.lower, row.upper) : std::pair<std::string, std::string>();
  html += "<td class=\"n\" data-v=\"" + (row.measured ? shortest(row.lower) : "") + "\">" + lower +
          "</td>";
  html += "<td class=\"n\" data-v=\"" + (row.measured ? shortest(row.upper) : "") + "\">" + upper +
          "</td>";
  html += "<td class=\"n\" data-v=\"" + shortest(difference) + "\">" + shortest(difference) +
          "</td><td>" + escaped(row.verdict) + "</td></tr>\n";
}

}  // namespace

std::string fontReportHtml(const FontReport& report) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
      escaped(report.title) + "</title>\n" + kStyle + "</head>\n<body>\n<h1>" +
      escaped(report.title) + "</h1>\n";
  for (const std::string& note : report.notes) {
    html += "<p class=\"note\">" + escaped(note) + "</p>\n";
  }
  for (std::size_t k = 0; k < report.pairs.size(); ++k) appendPair(html, report.pairs[k], k);
  html +=
      "<h2>Every glyph</h2>\n<div id=\"controls\"><input id=\"filter\" type=\"search\" "
      "placeholder=\"filter\"> <label><input id=\"changed\" type=\"checkbox\"> changed "
      "only</label> <span id=\"shown\">" +
      std::to_string(report.rows.size()) +
      "</span> shown</div>\n<table id=\"glyphs\">\n<thead><tr>";
  if (report.pairs.size() > 1) html += "<th>font</th>";
  html +=
      "<th>glyph</th><th>outcome</th><th>lower</th><th>upper</th><th>advance B &minus; "
      "A</th><th>within</th></tr></thead>\n<tbody>\n";
  for (const ReportRow& row : report.rows) appendRow(html, row, report);
  html += "</tbody>\n</table>\n";
  html += kScript;
  html += "</body>\n</html>\n";
  return html;
}

bool writeFontReport(const std::string& path, const FontReport& report, std::string& error) {
  const std::string html = fontReportHtml(report);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "--report: cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(html.data(), 1, html.size(), file) == html.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "--report: cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}
