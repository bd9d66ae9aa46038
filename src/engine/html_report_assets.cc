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
  function fill(d) {
    var pre = d.querySelector('pre.diff');
    if (!pre || pre.getAttribute('data-filled')) return;
    var t = document.getElementById(pre.getAttribute('data-diff'));
    if (!t) return;
    var lines = t.content.textContent.split('\n');
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
