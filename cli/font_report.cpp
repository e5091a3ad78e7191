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
th{cursor:pointer;background:#fafafa}
td.n{text-align:right}
tr.changed td{background:#fff3f0}
.pictures{display:flex;flex-wrap:wrap;gap:8px}
figure{margin:0;width:400px}
figure img{width:400px;height:400px;border:1px solid #ddd}
#controls{margin:1em 0}
</style>
)";

// The table is drawn from the rows' data (a JSON array in the page), at most kShownRows at a time:
// a family's tens of thousands of rows then open at once. A click on a column sorts by it
// (numbers as numbers, a second click reverses), a text filter and a "changed only" switch
// narrow it; #sort=COLUMN[-] in the address sorts when the page opens.
const char kScript[] = R"(<script>
(function(){
var data=JSON.parse(document.getElementById('rows').textContent);
var table=document.getElementById('glyphs'),body=table.tBodies[0],limit=1000;
var many=table.getAttribute('data-pairs')!=='1',order={},view=data.slice();
var cols=many?[0,1,2,3,4,7,8]:[1,2,3,4,7,8];
var fonts=JSON.parse(document.getElementById('fonts').textContent);
function esc(t){return String(t).replace(/&/g,'&amp;').replace(/</g,'&lt;');}
function cell(r,c){switch(c){case 0:return '<td>'+esc(fonts[r[0]])+'</td>';
 case 3:return '<td class="n">'+r[5]+'</td>';case 4:return '<td class="n">'+r[6]+'</td>';
 case 7:return '<td class="n">'+(r[7]===null?'':r[7])+'</td>';
 default:return '<td>'+esc(r[c])+'</td>';}}
function key(r,c){if(c===3||c===4||c===7){var v=c===7?r[7]:r[c];return v===null?-Infinity:v;}
 return c===0?fonts[r[0]]:r[c];}
function draw(){var h=[],n=Math.min(view.length,limit);
 for(var i=0;i<n;i++){var r=view[i];h.push(r[9]?'<tr class="changed">':'<tr>');
  for(var k=0;k<cols.length;k++)h.push(cell(r,cols[k]));h.push('</tr>');}
 body.innerHTML=h.join('');table.setAttribute('data-shown',view.length);
 document.getElementById('shown').textContent=view.length+' of '+data.length+' rows'+
  (view.length>limit?' (the first '+limit+' drawn)':'');}
function sortBy(k){var c=cols[k],up=order[k]=!order[k];
 view.sort(function(a,b){var x=key(a,c),y=key(b,c);return (x<y?-1:x>y?1:0)*(up?1:-1);});
 table.setAttribute('data-sorted',k+(up?'+':'-'));draw();}
Array.prototype.forEach.call(table.tHead.rows[0].cells,function(th,k){
 th.addEventListener('click',function(){sortBy(k);});});
var text=document.getElementById('filter'),changed=document.getElementById('changed');
function filter(){var t=text.value.toLowerCase(),only=changed.checked;
 view=data.filter(function(r){return (!only||r[9])&&(t===''||
  (r[1]+' '+r[2]+' '+fonts[r[0]]).toLowerCase().indexOf(t)>=0);});
 var s=table.getAttribute('data-sorted');if(s){var k=parseInt(s,10);order[k]=s.slice(-1)!=='+';sortBy(k);}else draw();}
text.addEventListener('input',filter);changed.addEventListener('change',filter);
var m=/#sort=(\d+)(-?)/.exec(location.hash);
if(m){sortBy(+m[1]);if(m[2]==='-')sortBy(+m[1]);}else draw();
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

// A JSON string that cannot end the script element it is in: '<' is written as \u003c (it is
// never part of an escape, so the swap keeps the string's value).
std::string jsonText(const std::string& text) {
  std::string json;
  appendJsonString(json, text);
  std::string out;
  out.reserve(json.size());
  for (const char c : json) {
    if (c == '<') {
      out += "\\u003c";
    } else {
      out += c;
    }
  }
  return out;
}

std::string jsonNumber(double value) {
  return std::isfinite(value) ? shortest(value) : "null";
}

// [pair, glyph, outcome, lower, upper, lower shown, upper shown, advance B - A, verdict,
// changed]
void appendRow(std::string& json, const ReportRow& row) {
  const auto [lower, upper] =
      row.measured ? shownInterval(row.lower, row.upper) : std::pair<std::string, std::string>();
  json += "[" + std::to_string(row.fontPair) + "," + jsonText(row.glyph) + "," +
          jsonText(row.outcome) + "," + (row.measured ? jsonNumber(row.lower) : "null") + "," +
          (row.measured ? jsonNumber(row.upper) : "null") + "," + jsonText(lower) + "," +
          jsonText(upper) + "," + jsonNumber(row.advance[1] - row.advance[0]) + "," +
          jsonText(row.verdict) + "," + (row.changed ? "1" : "0") + "]";
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
      "only</label> <span id=\"shown\"></span></div>\n<table id=\"glyphs\" data-rows=\"" +
      std::to_string(report.rows.size()) + "\" data-pairs=\"" +
      std::to_string(report.pairs.size()) + "\">\n<thead><tr>";
  if (report.pairs.size() > 1) html += "<th>font</th>";
  html +=
      "<th>glyph</th><th>outcome</th><th>lower</th><th>upper</th><th>advance B &minus; "
      "A</th><th>within</th></tr></thead>\n<tbody></tbody>\n</table>\n";
  html += "<script id=\"fonts\" type=\"application/json\">[";
  for (std::size_t k = 0; k < report.pairs.size(); ++k) {
    html += (k ? "," : "") + jsonText(report.pairs[k].fontA);
  }
  html += "]</script>\n<script id=\"rows\" type=\"application/json\">[";
  for (std::size_t k = 0; k < report.rows.size(); ++k) {
    if (k) html += ",\n";
    appendRow(html, report.rows[k]);
  }
  html += "]</script>\n";
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
