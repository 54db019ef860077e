#include "web/web_pages.h"

namespace host::web {

namespace {
const char* const kIndex = R"HTML(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Call recorder</title>
<link rel="stylesheet" href="/style.css">
</head>
<body>
<header><h1>Call recorder</h1><span id="link" class="link">connecting…</span></header>
<main>
<section id="lines-box">
  <h2>Lines</h2>
  <div id="lines"><p class="none">No line box plugged in.</p></div>
</section>
<section id="calls-box">
  <h2>Calls <span id="count"></span></h2>
  <form id="filter" autocomplete="off">
    <label>Number <input id="f-number" name="number" inputmode="tel" maxlength="32" placeholder="part of a number"></label>
    <label>From <input id="f-since" name="since" type="date"></label>
    <label>To <input id="f-until" name="until" type="date"></label>
    <label>Outcome <select id="f-outcome" name="outcome"><option value="">any</option></select></label>
    <button type="button" id="f-today">Today</button>
    <button type="reset" id="f-clear">Clear</button>
  </form>
  <table id="calls">
    <thead><tr><th>Start</th><th>Caller</th><th>Digits</th><th>Line</th><th>Outcome</th><th>Length</th><th></th></tr></thead>
    <tbody></tbody>
  </table>
  <nav id="pager"><button id="newer" type="button">‹ Newer</button> <span id="page"></span> <button id="older" type="button">Older ›</button></nav>
  <div id="player" hidden>
    <div class="who"><strong id="p-caller"></strong> <span id="p-when"></span></div>
    <canvas id="peaks" width="1000" height="56" title="Loudness over the call: click to go there"></canvas>
    <audio id="audio" controls preload="metadata"></audio>
    <a id="download" href="#" download>Download</a>
  </div>
</section>
</main>
<script src="/app.js"></script>
</body>
</html>
)HTML";

const char* const kScript = R"JS('use strict';
const $ = (s) => document.querySelector(s);
const el = (tag, cls, text) => { const e = document.createElement(tag); if (cls) e.className = cls; if (text !== undefined) e.textContent = text; return e; };
const PHASES = { idle: 'Idle', ringing: 'Ringing', 'in call': 'In call', recording: 'Recording' };
let lines = { now: 0, at: 0, list: [] };
let page = 0, per = 25, total = 0, busy = false;

function span(ms) {
  const s = Math.max(0, Math.floor(ms / 1000));
  const h = Math.floor(s / 3600), m = Math.floor(s / 60) % 60, r = s % 60;
  return (h ? h + ':' + String(m).padStart(2, '0') : m) + ':' + String(r).padStart(2, '0');
}

function drawLines() {
  const box = $('#lines');
  box.textContent = '';
  if (!lines.list.length) { box.appendChild(el('p', 'none', 'No line box plugged in.')); return; }
  const now = lines.now + (Date.now() - lines.at);
  let ringing = 0;
  for (const l of lines.list) {
    const card = el('div', 'line ' + l.phase.replace(' ', '-'));
    card.dataset.slot = l.slot;
    card.dataset.phase = l.phase;
    const top = el('div', 'top');
    top.appendChild(el('span', 'slot', 'Line ' + (l.slot + 1)));
    top.appendChild(el('span', 'serial', 'box ' + l.serial));
    card.appendChild(top);
    card.appendChild(el('div', 'phase', PHASES[l.phase] || l.phase));
    card.appendChild(el('div', 'caller', l.phase === 'idle' ? '' : (l.caller || 'number unknown')));
    card.appendChild(el('div', 'digits', l.digits ? 'dialled ' + l.digits : ''));
    card.appendChild(el('div', 'since', l.phase === 'idle' ? '' : span(now - l.since)));
    if (l.phase === 'ringing') ringing++;
    box.appendChild(card);
  }
  document.title = ringing ? '(' + ringing + ') Ringing – Call recorder' : 'Call recorder';
}

function listen() {
  const source = new EventSource('/api/lines');
  source.onopen = () => { $('#link').textContent = 'live'; $('#link').className = 'link up'; };
  source.onerror = () => { $('#link').textContent = 'reconnecting…'; $('#link').className = 'link'; };
  source.onmessage = (e) => {
    const d = JSON.parse(e.data);
    const before = lines.list.filter((l) => l.phase !== 'idle').length;
    lines = { now: d.now, at: Date.now(), list: d.lines };
    drawLines();
    // A call that ended is in the log now.
    if (lines.list.filter((l) => l.phase !== 'idle').length < before && page === 0) setTimeout(loadCalls, 300);
  };
}

function query() {
  const q = new URLSearchParams();
  const number = $('#f-number').value.trim();
  if (number) q.set('number', number);
  if ($('#f-since').value) q.set('since', $('#f-since').value);
  if ($('#f-until').value) q.set('until', $('#f-until').value);
  if ($('#f-outcome').value) q.set('outcome', $('#f-outcome').value);
  q.set('page', page);
  q.set('per', per);
  return q.toString();
}

async function loadCalls() {
  if (busy) return;
  busy = true;
  try {
    const r = await fetch('/api/calls?' + query(), { cache: 'no-store' });
    if (r.status === 401) { location.href = '/login'; return; }
    const d = await r.json();
    total = d.total;
    const select = $('#f-outcome');
    if (select.options.length === 1) for (const o of d.outcomes) select.appendChild(new Option(o, o));
    $('#count').textContent = total + (total === 1 ? ' call' : ' calls');
    const body = $('#calls tbody');
    body.textContent = '';
    for (const c of d.calls) {
      const tr = el('tr', 'call ' + c.outcome);
      tr.dataset.id = c.id;
      tr.appendChild(el('td', 'start', c.start.slice(0, 10) + ' ' + c.start.slice(11, 19)));
      tr.appendChild(el('td', 'caller', c.caller || '–'));
      tr.appendChild(el('td', 'digits', c.digits));
      tr.appendChild(el('td', 'slot', String(Number(c.slot) + 1)));
      tr.appendChild(el('td', 'outcome', c.outcome));
      tr.appendChild(el('td', 'length', c.outcome === 'missed' ? '' : span(Number(c.seconds) * 1000)));
      const td = el('td', 'play');
      if (c.recording) {
        const b = el('button', 'play', '▶ Play');
        b.type = 'button';
        b.onclick = () => play(c, tr);
        td.appendChild(b);
      }
      tr.appendChild(td);
      body.appendChild(tr);
    }
    if (!d.calls.length) {
      const tr = el('tr', 'empty');
      const td = el('td', '', 'No calls match.');
      td.colSpan = 7;
      tr.appendChild(td);
      body.appendChild(tr);
    }
    const pages = Math.max(1, Math.ceil(total / per));
    $('#page').textContent = 'page ' + (page + 1) + ' of ' + pages;
    $('#newer').disabled = page === 0;
    $('#older').disabled = page + 1 >= pages;
  } finally {
    busy = false;
  }
}

let peaks = [];
function drawPeaks() {
  const canvas = $('#peaks');
  const g = canvas.getContext('2d');
  const w = canvas.width, h = canvas.height, audio = $('#audio');
  g.clearRect(0, 0, w, h);
  const played = audio.duration ? audio.currentTime / audio.duration : 0;
  for (let x = 0; x < w; x++) {
    const p = peaks.length ? peaks[Math.floor(x * peaks.length / w)] : 0;
    const bar = Math.max(1, p * (h - 4));
    g.fillStyle = x / w <= played ? '#1565c0' : '#90a4ae';
    g.fillRect(x, (h - bar) / 2, 1, bar);
  }
  canvas.dataset.drawn = peaks.length;
}

async function play(call, row) {
  for (const r of document.querySelectorAll('tr.playing')) r.classList.remove('playing');
  row.classList.add('playing');
  $('#player').hidden = false;
  $('#p-caller').textContent = call.caller || 'number unknown';
  $('#p-when').textContent = call.start.slice(0, 10) + ' ' + call.start.slice(11, 19) + ', line ' + (Number(call.slot) + 1);
  const audio = $('#audio');
  audio.src = '/rec/' + call.id + '.wav';
  const link = $('#download');
  link.href = '/rec/' + call.id + '.wav?download=1';
  link.setAttribute('download', call.name);
  peaks = [];
  drawPeaks();
  audio.play().catch(() => {});
  const r = await fetch('/rec/' + call.id + '/peaks');
  if (r.ok) { peaks = (await r.json()).peaks; drawPeaks(); }
}

function refilter() { page = 0; loadCalls(); }
let typing = 0;
$('#f-number').addEventListener('input', () => { clearTimeout(typing); typing = setTimeout(refilter, 250); });
for (const id of ['#f-since', '#f-until', '#f-outcome']) $(id).addEventListener('change', refilter);
$('#filter').addEventListener('submit', (e) => { e.preventDefault(); refilter(); });
$('#filter').addEventListener('reset', () => setTimeout(refilter, 0));
$('#f-today').onclick = () => {
  const d = new Date(), day = d.getFullYear() + '-' + String(d.getMonth() + 1).padStart(2, '0') + '-' + String(d.getDate()).padStart(2, '0');
  $('#f-since').value = day; $('#f-until').value = day; refilter();
};
$('#newer').onclick = () => { if (page > 0) { page--; loadCalls(); } };
$('#older').onclick = () => { page++; loadCalls(); };
$('#audio').addEventListener('timeupdate', drawPeaks);
$('#audio').addEventListener('loadedmetadata', drawPeaks);
$('#peaks').addEventListener('click', (e) => {
  const audio = $('#audio'), box = e.target.getBoundingClientRect();
  if (audio.duration) audio.currentTime = audio.duration * (e.clientX - box.left) / box.width;
});
setInterval(drawLines, 1000);
listen();
loadCalls();
)JS";

const char* const kStyle = R"CSS(* { box-sizing: border-box; }
body { margin: 0; font: 15px/1.4 system-ui, sans-serif; color: #1c2733; background: #eef1f4; }
header { display: flex; align-items: center; justify-content: space-between; padding: 10px 20px; background: #1c2733; color: #fff; }
h1 { font-size: 20px; margin: 0; }
h2 { font-size: 17px; margin: 18px 0 10px; }
main { padding: 0 20px 20px; max-width: 1280px; margin: 0 auto; }
.link { font-size: 13px; padding: 2px 8px; border-radius: 10px; background: #6b7785; }
.link.up { background: #2e7d32; }
#lines { display: grid; grid-template-columns: repeat(auto-fill, minmax(220px, 1fr)); gap: 10px; }
.none { color: #6b7785; }
.line { background: #fff; border-radius: 8px; padding: 10px 12px; border-left: 6px solid #b0bec5; min-height: 118px; }
.line .top { display: flex; justify-content: space-between; font-size: 13px; color: #6b7785; }
.line .slot { font-weight: 600; color: #1c2733; }
.line .phase { font-size: 18px; font-weight: 600; margin-top: 4px; }
.line .caller { font-size: 18px; font-variant-numeric: tabular-nums; overflow-wrap: anywhere; }
.line .digits, .line .since { font-size: 13px; color: #4a5562; }
.line.idle .phase { color: #6b7785; font-weight: 400; }
.line.in-call { border-left-color: #f9a825; }
.line.recording { border-left-color: #2e7d32; }
.line.recording .phase::before { content: '● '; color: #d32f2f; }
.line.ringing { background: #d32f2f; color: #fff; border-left-color: #7f0000; animation: ring 0.8s ease-in-out infinite alternate; }
.line.ringing .top, .line.ringing .slot, .line.ringing .digits, .line.ringing .since { color: #fff; }
.line.ringing .phase { font-size: 26px; text-transform: uppercase; letter-spacing: 1px; }
.line.ringing .caller { font-size: 22px; font-weight: 700; }
@keyframes ring { from { box-shadow: 0 0 0 0 rgba(211, 47, 47, 0.7); } to { box-shadow: 0 0 0 10px rgba(211, 47, 47, 0); background: #b71c1c; } }
#filter { display: flex; flex-wrap: wrap; gap: 8px 14px; align-items: end; background: #fff; padding: 10px 12px; border-radius: 8px; }
#filter label { display: flex; flex-direction: column; font-size: 12px; color: #4a5562; }
#filter input, #filter select, button { font: inherit; padding: 5px 8px; border: 1px solid #b0bec5; border-radius: 5px; background: #fff; }
button { cursor: pointer; background: #e3e8ed; }
button:disabled { opacity: 0.5; cursor: default; }
#count { font-weight: 400; color: #4a5562; font-size: 15px; }
#player { position: sticky; bottom: 0; background: #fff; border-radius: 8px 8px 0 0; padding: 10px 12px; margin-top: 10px;
  display: grid; gap: 6px; box-shadow: 0 -2px 10px rgba(28, 39, 51, 0.15); }
#player[hidden] { display: none; }
#peaks { width: 100%; height: 56px; background: #f5f7f9; border-radius: 4px; cursor: pointer; }
#player audio { width: 100%; height: 40px; }
table { width: 100%; border-collapse: collapse; background: #fff; margin-top: 10px; border-radius: 8px; overflow: hidden; }
th, td { text-align: left; padding: 7px 10px; border-bottom: 1px solid #e3e8ed; }
th { background: #f5f7f9; font-size: 13px; color: #4a5562; }
td.start, td.caller, td.length { font-variant-numeric: tabular-nums; white-space: nowrap; }
tr.missed td.outcome { color: #d32f2f; }
tr.playing { background: #e3f2fd; }
#pager { display: flex; gap: 10px; align-items: center; justify-content: center; margin-top: 10px; }
#login { max-width: 380px; background: #fff; padding: 16px; border-radius: 8px; display: grid; gap: 10px; margin-top: 20px; }
#login label { display: grid; gap: 4px; }
#login .message { color: #d32f2f; margin: 0; }
@media (max-width: 640px) {
  main { padding: 0 10px 10px; }
  header { padding: 8px 10px; }
  #lines { grid-template-columns: 1fr; }
  .line { min-height: 0; }
  #filter label { flex: 1 1 40%; }
  th:nth-child(3), td:nth-child(3), th:nth-child(4), td:nth-child(4), th:nth-child(6), td:nth-child(6) { display: none; }
  td.start { white-space: normal; }
  th, td { padding: 6px 5px; font-size: 14px; }
}
)CSS";

const char* const kLoginTop = R"HTML(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Call recorder: log in</title>
<link rel="stylesheet" href="/style.css">
</head>
<body>
<header><h1>Call recorder</h1></header>
<main>
<form id="login" method="post" action="/login">
<h2>Log in</h2>
<p class="message">)HTML";

const char* const kLoginBottom = R"HTML(</p>
<label>Password <input type="password" name="password" autofocus required></label>
<button type="submit">Log in</button>
</form>
</main>
</body>
</html>
)HTML";

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}
}  // namespace

const std::string& page_index() {
    static const std::string page = kIndex;
    return page;
}

const std::string& page_script() {
    static const std::string page = kScript;
    return page;
}

const std::string& page_style() {
    static const std::string page = kStyle;
    return page;
}

std::string page_login(const std::string& message) { return kLoginTop + escaped(message) + kLoginBottom; }

}  // namespace host::web
