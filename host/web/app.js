'use strict';
const $ = (s) => document.querySelector(s);
const el = (tag, cls, text) => { const e = document.createElement(tag); if (cls) e.className = cls; if (text !== undefined) e.textContent = text; return e; };
// Every text the page shows of its own, in one place.
const TEXT = {
  phases: { idle: 'Idle', ringing: 'Ringing', rang: 'Ring over', 'in call': 'In call', recording: 'Recording',
    unknown: 'State unknown' },
  noBox: 'No line box plugged in.', line: 'Line ', box: 'box ', unknownNumber: 'number unknown', dialled: 'dialled ',
  lost: 'no word from the recorder', live: 'live', reconnecting: 'reconnecting…',
  ringingTitle: ' Ringing – Call recorder', title: 'Call recorder',
  call: ' call', calls: ' calls', noMatch: 'No calls match.', page: 'page ', of: ' of ', play: '▶ Play',
  retired: 'recording retired', lineOf: ', line ',
  errors: {
    'bad-number': 'Digits only (spaces, dashes, brackets, dots and +86 may stand between them).',
    'bad-date': 'Not a date.', 'bad-outcome': 'Not an outcome.', failed: 'The list could not be loaded.',
  },
};
let lines = { now: 0, at: 0, list: [], live: false };
let page = 0, per = 25, total = 0;
let asked = 0, asking = null;  // the latest list request and its controller

function span(ms) {
  const s = Math.max(0, Math.floor(ms / 1000));
  const h = Math.floor(s / 3600), m = Math.floor(s / 60) % 60, r = s % 60;
  return (h ? h + ':' + String(m).padStart(2, '0') : m) + ':' + String(r).padStart(2, '0');
}

function drawLines() {
  const box = $('#lines');
  box.textContent = '';
  if (!lines.list.length) { box.appendChild(el('p', 'none', TEXT.noBox)); return; }
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
    top.appendChild(el('span', 'slot', TEXT.line + (l.slot + 1)));
    top.appendChild(el('span', 'serial', TEXT.box + l.serial));
    card.appendChild(top);
    card.appendChild(el('div', 'phase', TEXT.phases[phase] || phase));
    const busy = lines.live && phase !== 'idle';
    card.appendChild(el('div', 'caller', busy ? (l.caller || TEXT.unknownNumber) : (lines.live ? '' : TEXT.lost)));
    card.appendChild(el('div', 'digits', busy && l.digits ? TEXT.dialled + l.digits : ''));
    card.appendChild(el('div', 'since', busy ? span(now - l.since) : ''));
    if (phase === 'ringing') ringing++;
    box.appendChild(card);
  }
  document.title = ringing ? '(' + ringing + ')' + TEXT.ringingTitle : TEXT.title;
}

function listen() {
  const source = new EventSource('/api/lines');
  source.onopen = () => { $('#link').textContent = TEXT.live; $('#link').className = 'link up'; };
  source.onerror = () => {
    $('#link').textContent = TEXT.reconnecting; $('#link').className = 'link';
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
  place.textContent = TEXT.errors[code] || TEXT.errors.failed;
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
  if (select.options.length === 1) for (const o of d.outcomes) select.appendChild(new Option(o, o));
  $('#count').textContent = total + (total === 1 ? TEXT.call : TEXT.calls);
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
      const b = el('button', 'play', TEXT.play);
      b.type = 'button';
      b.onclick = () => play(c, tr);
      td.appendChild(b);
    } else if (c.retired) {
      td.appendChild(el('span', 'retired', TEXT.retired));
    }
    tr.appendChild(td);
    body.appendChild(tr);
  }
  if (!d.calls.length) {
    const tr = el('tr', 'empty');
    const td = el('td', '', TEXT.noMatch);
    td.colSpan = 7;
    tr.appendChild(td);
    body.appendChild(tr);
  }
  const pages = Math.max(1, Math.ceil(total / per));
  $('#page').textContent = TEXT.page + (page + 1) + TEXT.of + pages;
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
  $('#p-caller').textContent = call.caller || TEXT.unknownNumber;
  $('#p-when').textContent = call.start.slice(0, 10) + ' ' + call.start.slice(11, 19) + TEXT.lineOf + (Number(call.slot) + 1);
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
