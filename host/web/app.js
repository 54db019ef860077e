'use strict';
const $ = (s) => document.querySelector(s);
const el = (tag, cls, text) => { const e = document.createElement(tag); if (cls) e.className = cls; if (text !== undefined) e.textContent = text; return e; };
let lines = { now: 0, at: 0, list: [], live: false };
let page = 0, per = 25, total = 0;
let asked = 0, asking = null;  // the latest list request and its controller

function drawLines() {
  const box = $('#lines');
  box.textContent = '';
  if (!lines.list.length) { box.appendChild(el('p', 'none', t('lines.none'))); return; }
  const now = lines.now + (Date.now() - lines.at);
  let ringing = 0;
  for (const l of lines.list) {
    // Without the stream what the card last heard may be long over: it says so and
    // stops counting.
    const phase = lines.live ? l.phase : 'unknown';
    const card = el('div', 'line ' + phase.replace(' ', '-'));
    card.dataset.slot = l.slot;
    card.dataset.phase = phase;
    const top = el('div', 'top');
    top.appendChild(el('span', 'slot', t('lines.line', { n: l.slot + 1 })));
    top.appendChild(el('span', 'serial', t('lines.box', { serial: l.serial })));
    card.appendChild(top);
    card.appendChild(el('div', 'phase', t('state.' + phase.replace(' ', '-'))));
    const busy = lines.live && phase !== 'idle';
    card.appendChild(el('div', 'caller', busy ? (l.caller || t('lines.unknown_number')) : (lines.live ? '' : t('lines.lost'))));
    card.appendChild(el('div', 'digits', busy && l.digits ? t('lines.dialled', { digits: l.digits }) : ''));
    card.appendChild(el('div', 'since', busy ? formatLength((now - l.since) / 1000) : ''));
    if (phase === 'ringing') ringing++;
    box.appendChild(card);
  }
  document.title = ringing ? t('app.title_ringing', { n: ringing }) : t('app.title');
}

function listen() {
  const source = new EventSource('/api/lines');
  source.onopen = () => { $('#link').textContent = t('link.live'); $('#link').className = 'link up'; };
  source.onerror = () => {
    $('#link').textContent = t('link.reconnecting'); $('#link').className = 'link';
    lines.live = false;
    drawLines();
  };
  source.onmessage = (e) => {
    const d = JSON.parse(e.data);
    const before = lines.list.filter((l) => l.phase !== 'idle').length;
    lines = { now: d.now, at: Date.now(), list: d.lines, live: true };
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

function showError(field, code) {
  for (const e of document.querySelectorAll('#filter .error')) e.textContent = '';
  if (!code) return;
  const place = $('#e-' + field) || $('#e-list');
  place.textContent = ('error.' + code) in I18N.messages ? t('error.' + code) : t('error.failed');
}

// The latest filter wins: a newer request cancels the one before, and an answer that
// arrives after a newer request was made is never shown.
async function loadCalls() {
  const mine = ++asked;
  if (asking) asking.abort();
  asking = new AbortController();
  let d;
  try {
    const r = await fetch('/api/calls?' + query(), { cache: 'no-store', signal: asking.signal });
    if (mine !== asked) return;
    if (r.status === 401) { location.href = '/login'; return; }
    d = await r.json();
    if (mine !== asked) return;
    if (!r.ok) { showError(d.field, d.error || 'failed'); return; }
  } catch (e) {
    if (mine === asked) showError('list', 'failed');
    return;
  }
  showError();
  total = d.total;
  const select = $('#f-outcome');
  if (select.options.length === 1) for (const o of d.outcomes) select.appendChild(new Option(t('outcome.' + o), o));
  $('#count').textContent = tCount('list.count', total);
  const body = $('#calls tbody');
  body.textContent = '';
  for (const c of d.calls) {
    const tr = el('tr', 'call ' + c.outcome);
    tr.dataset.id = c.id;
    tr.appendChild(el('td', 'start', formatWhen(c.start)));
    tr.appendChild(el('td', 'caller', c.caller || t('list.no_caller')));
    tr.appendChild(el('td', 'digits', c.digits));
    tr.appendChild(el('td', 'slot', String(Number(c.slot) + 1)));
    const outcome = el('td', 'outcome', t('outcome.' + c.outcome));
    outcome.dataset.outcome = c.outcome;
    tr.appendChild(outcome);
    tr.appendChild(el('td', 'length', c.outcome === 'missed' ? '' : formatLength(c.seconds)));
    const td = el('td', 'play');
    if (c.recording) {
      const b = el('button', 'play', t('list.play'));
      b.type = 'button';
      b.onclick = () => play(c, tr);
      td.appendChild(b);
    } else if (c.retired) {
      td.appendChild(el('span', 'retired', t('list.retired')));
    }
    tr.appendChild(td);
    body.appendChild(tr);
  }
  if (!d.calls.length) {
    const tr = el('tr', 'empty');
    const td = el('td', '', t('list.none'));
    td.colSpan = 7;
    tr.appendChild(td);
    body.appendChild(tr);
  }
  const pages = Math.max(1, Math.ceil(total / per));
  $('#page').textContent = t('list.page', { page: page + 1, pages });
  $('#newer').disabled = page === 0;
  $('#older').disabled = page + 1 >= pages;
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
  $('#p-caller').textContent = call.caller || t('lines.unknown_number');
  $('#p-when').textContent = t('player.when', { when: formatWhen(call.start), line: Number(call.slot) + 1 });
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
i18nReady.then(() => {
  setInterval(drawLines, 1000);
  listen();
  loadCalls();
});
