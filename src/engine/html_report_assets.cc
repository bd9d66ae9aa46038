#include "engine/html_report_assets.h"

namespace tolvern {

const char* const kHtmlReportStyle = R"(
body{font:14px/1.4 system-ui,sans-serif;margin:0 2em 3em;color:#1d1d1f;background:#fff}
h1{margin:.6em 0 .1em}h2{margin-top:1.6em;border-bottom:1px solid #ccc}
.title{color:#555;margin:0 0 .6em;word-break:break-all}
.outcome{display:inline-block;padding:.3em .8em;border-radius:4px;font-weight:600}
.outcome.whole{background:#e3f5e1;color:#1e5c1a}.outcome.incomplete{background:#fde2e1;color:#8a1c17}
.figures{display:flex;flex-wrap:wrap;gap:.5em;margin:.8em 0;padding:0}
.figures div{border:1px solid #ddd;border-radius:4px;padding:.3em .7em;min-width:7em}
.figures dt{font-size:12px;color:#666}.figures dd{margin:0;font-size:18px;font-weight:600}
nav a{margin-right:1em}
table{border-collapse:collapse;margin:.4em 0}
th,td{border:1px solid #ddd;padding:.15em .5em;text-align:left;vertical-align:top}
th{background:#f4f4f6}
.controls{margin:.5em 0}.controls label{margin-right:1em}
tr[data-status=changed] td.st{color:#1e5c1a}tr[data-status=skipped] td.st{color:#8a1c17;font-weight:600}
details.file{border:1px solid #ddd;border-radius:4px;margin:.3em 0;padding:.2em .6em}
details.file>summary{cursor:pointer;font-family:monospace;word-break:break-all}
.v{font-family:monospace;white-space:pre-wrap;word-break:break-all}
.kept{color:#555}.converted{color:#0b4f8a}.dropped{color:#8a1c17}
pre{background:#f8f8fa;padding:.4em;overflow-x:auto;margin:.3em 0}
pre.diff span{display:block}.add{background:#e6ffec}.del{background:#ffebe9}.hunk{color:#6f42c1}
.head{color:#666;font-weight:600}
.todo{margin:.3em 0}.todo .where{font-family:monospace}.todo pre{margin:.2em 0 .4em}
.todo .mark{background:#fff3b0;display:block}
.level-error{color:#8a1c17}.level-warning{color:#8a5a00}.level-note{color:#555}
)";

// Fills the diffs in when their sections are opened, filters the file table
// and the to-do list (its counts following), and honours
// "#filter=STATUS&q=TEXT&open=PATH&level=LEVEL&kind=KIND&file=TEXT" in the
// address.
const char* const kHtmlReportScript = R"(
(function () {
  var rows = Array.prototype.slice.call(document.querySelectorAll('#file-table tbody tr'));
  var status = document.getElementById('status');
  var search = document.getElementById('search');
  var shown = document.getElementById('shown');
  function apply() {
    var s = status.value, q = search.value.toLowerCase(), n = 0;
    rows.forEach(function (r) {
      var ok = (!s || r.getAttribute('data-status') === s) &&
               (!q || r.getAttribute('data-path').toLowerCase().indexOf(q) >= 0);
      r.hidden = !ok;
      if (ok) n++;
    });
    shown.textContent = n + ' of ' + rows.length + ' shown';
  }
  // The diffs are raw DEFLATE streams of one block of fixed codes (or
  // stored blocks), in Base64: inflated here, at once, when opened.
  var LB = [3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99,
            115, 131, 163, 195, 227, 258];
  var LE = [0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0];
  var DB = [1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025,
            1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577];
  var DE = [0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12,
            12, 13, 13];
  function inflate(b64) {
    var s = atob(b64), inp = new Uint8Array(s.length), pos = 0, n = 0, k;
    for (k = 0; k < s.length; k++) inp[k] = s.charCodeAt(k);
    var out = new Uint8Array(Math.max(1024, inp.length * 4));
    function bits(c) {
      var v = 0;
      for (var i = 0; i < c; i++, pos++) {
        if (pos >= inp.length * 8) throw new Error('cut short');
        v |= ((inp[pos >> 3] >> (pos & 7)) & 1) << i;
      }
      return v;
    }
    function code(c, count) { for (var i = 0; i < count; i++) c = (c << 1) | bits(1); return c; }
    function put(b) {
      if (n === out.length) { var o = new Uint8Array(out.length * 2); o.set(out); out = o; }
      out[n++] = b;
    }
    for (var last = 0; !last;) {
      last = bits(1);
      var type = bits(2);
      if (type === 0) {
        var p = (pos + 7) >> 3, len = inp[p] | (inp[p + 1] << 8);
        for (k = 0; k < len; k++) put(inp[p + 4 + k]);
        pos = (p + 4 + len) * 8;
        continue;
      }
      if (type !== 1) throw new Error('unknown block');
      for (;;) {
        var c = code(0, 7), sym;
        if (c <= 23) sym = 256 + c;
        else {
          c = code(c, 1);
          if (c >= 0x30 && c <= 0xBF) sym = c - 0x30;
          else if (c >= 0xC0 && c <= 0xC7) sym = 280 + c - 0xC0;
          else sym = 144 + code(c, 1) - 0x190;
        }
        if (sym < 256) { put(sym); continue; }
        if (sym === 256) break;
        var length = LB[sym - 257] + bits(LE[sym - 257]), d = code(0, 5);
        var dist = DB[d] + bits(DE[d]);
        if (dist > n) throw new Error('too far back');
        for (k = 0; k < length; k++) put(out[n - dist]);
      }
    }
    return new TextDecoder('utf-8').decode(out.subarray(0, n));
  }
  function fill(d) {
    var pre = d.querySelector('pre.diff');
    if (!pre || pre.getAttribute('data-filled')) return;
    var t = document.getElementById(pre.getAttribute('data-diff'));
    if (!t) return;
    var text;
    try { text = inflate(t.textContent.trim()); } catch (e) {
      pre.textContent = 'The diff could not be read: ' + e.message;
      pre.setAttribute('data-filled', '0');
      return;
    }
    var lines = text.split('\n');
    if (lines.length && lines[lines.length - 1] === '') lines.pop();
    lines.forEach(function (l) {
      var span = document.createElement('span');
      span.className = /^(\+\+\+|---)/.test(l) ? 'head' : l[0] === '+' ? 'add' :
                       l[0] === '-' ? 'del' : l[0] === '@' ? 'hunk' : '';
      span.textContent = l;
      pre.appendChild(span);
    });
    pre.setAttribute('data-filled', String(lines.length));
  }
  var sections = Array.prototype.slice.call(document.querySelectorAll('details.file'));
  sections.forEach(function (d) {
    d.addEventListener('toggle', function () { if (d.open) fill(d); });
  });
  var places = Array.prototype.slice.call(document.querySelectorAll('#todo li.todo'));
  var groups = Array.prototype.slice.call(document.querySelectorAll('#todo .kind, #todo .level'));
  var tLevel = document.getElementById('todo-level'), tKind = document.getElementById('todo-kind');
  var tFile = document.getElementById('todo-file'), tShown = document.getElementById('todo-shown');
  function applyTodo() {
    if (!tLevel) return;
    var l = tLevel.value, k = tKind.value, q = tFile.value.toLowerCase(), n = 0;
    places.forEach(function (li) {
      var ok = (!l || li.getAttribute('data-level') === l) &&
               (!k || li.getAttribute('data-kind') === k) &&
               (!q || li.getAttribute('data-file').toLowerCase().indexOf(q) >= 0);
      li.hidden = !ok;
      if (ok) n++;
    });
    groups.forEach(function (g) {
      var c = g.querySelectorAll('li.todo:not([hidden])').length;
      g.querySelector('.n').textContent = String(c);
      g.hidden = c === 0;
    });
    document.getElementById('todo-total').textContent = String(n);
    tShown.textContent = n + ' of ' + places.length + ' shown';
  }
  if (tLevel) {
    tLevel.addEventListener('change', applyTodo);
    tKind.addEventListener('change', applyTodo);
    tFile.addEventListener('input', applyTodo);
  }
  status.addEventListener('change', apply);
  search.addEventListener('input', apply);
  function fromAddress() {
    location.hash.replace(/^#/, '').split('&').forEach(function (part) {
      var i = part.indexOf('=');
      if (i < 0) return;
      var key = part.slice(0, i), value = decodeURIComponent(part.slice(i + 1));
      if (key === 'filter') status.value = value;
      else if (key === 'q') search.value = value;
      else if (key === 'level' && tLevel) tLevel.value = value;
      else if (key === 'kind' && tKind) tKind.value = value;
      else if (key === 'file' && tFile) tFile.value = value;
      else if (key === 'open') {
        sections.forEach(function (d) {
          if (d.getAttribute('data-path') !== value) return;
          d.open = true;
          fill(d);
          d.scrollIntoView({block: 'nearest'});
        });
      }
    });
    apply();
    applyTodo();
  }
  window.addEventListener('hashchange', fromAddress);
  fromAddress();
})();
)";

}  // namespace tolvern
