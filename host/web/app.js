'use strict';
const $ = (s) => document.querySelector(s);
const el = (tag, cls, text) => { const e = document.createElement(tag); if (cls) e.className = cls; if (text !== undefined) e.textContent = text; return e; };
let lines = { now: 0, at: 0, list: [], live: false };
let page = 0, per = 25, total = 0;
let asked = 0, asking = null;  // the latest list request and its controller
let writeToken = '';  // what the console asks of every note written (GET /api/session)
const COLUMNS = 9;

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
    // Who is calling, as the phonebook or the database names them.
    const who = el('div', 'who');
    if (busy) {
      for (const [field, cls, title] of [['caller_name', 'caller-name', 'card.name'],
        ['caller_company', 'caller-company', 'card.company'], ['caller_address', 'caller-address', 'card.address'],
        ['caller_note', 'caller-note', 'card.note']]) {
        if (!l[field]) continue;
        const e = el('div', cls, l[field]);
        e.title = t(title);
        who.appendChild(e);
      }
    }
    card.appendChild(who);
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
    document.dispatchEvent(new CustomEvent('lines', { detail: lines }));
  };
  source.onmessage = (e) => {
    const d = JSON.parse(e.data);
    const before = lines.list.filter((l) => l.phase !== 'idle').length;
    lines = { now: d.now, at: Date.now(), list: d.lines, live: true };
    drawLines();
    // For what else follows the lines (ring.js: the ring sound and notifications).
    document.dispatchEvent(new CustomEvent('lines', { detail: lines }));
    // A call that ended is in the log now.
    // (Not while a note is being written: the list would take the form away.)
    if (lines.list.filter((l) => l.phase !== 'idle').length < before && page === 0 && !noting) setTimeout(loadCalls, 300);
  };
}

function query() {
  const q = new URLSearchParams();
  // A number or a name: the server tells which.
  const who = $('#f-number').value.trim();
  if (who) q.set('who', who);
  if ($('#f-since').value) q.set('since', $('#f-since').value);
  if ($('#f-until').value) q.set('until', $('#f-until').value);
  if ($('#f-outcome').value) q.set('outcome', $('#f-outcome').value);
  if ($('#f-note').value.trim()) q.set('note', $('#f-note').value.trim());
  if ($('#f-mark').value) q.set('mark', $('#f-mark').value);
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
  for (const marks of [$('#f-mark'), $('#n-mark')])
    if (marks.options.length === 1) for (const m of d.marks) marks.appendChild(new Option(t('mark.' + m), m));
  $('#count').textContent = tCount('list.count', total);
  const body = $('#calls tbody');
  closeNote();
  body.textContent = '';
  for (const c of d.calls) {
    const tr = el('tr', 'call ' + c.outcome);
    tr.dataset.id = c.id;
    tr.appendChild(el('td', 'start', formatWhen(c.start)));
    tr.appendChild(el('td', 'caller', c.caller || t('list.no_caller')));
    const name = el('td', 'name', c.caller_name || '');
    if (c.caller_company) name.appendChild(el('span', 'company', c.caller_company));
    tr.appendChild(name);
    tr.appendChild(el('td', 'digits', c.digits));
    tr.appendChild(el('td', 'slot', String(Number(c.slot) + 1)));
    const outcome = el('td', 'outcome', t('outcome.' + c.outcome));
    outcome.dataset.outcome = c.outcome;
    tr.appendChild(outcome);
    tr.appendChild(el('td', 'length', c.outcome === 'missed' ? '' : formatLength(c.seconds)));
    tr.appendChild(noteCell(c, tr));
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
    td.colSpan = COLUMNS;
    tr.appendChild(td);
    body.appendChild(tr);
  }
  const pages = Math.max(1, Math.ceil(total / per));
  $('#page').textContent = t('list.page', { page: page + 1, pages });
  $('#newer').disabled = page === 0;
  $('#older').disabled = page + 1 >= pages;
}

// A call's note and mark, always as text (a note is stored as typed, markup too), and
// the button that opens the note's form under the row.
function noteCell(c, tr) {
  const td = el('td', 'note');
  if (c.mark) {
    const mark = el('span', 'mark ' + c.mark, t('mark.' + c.mark));
    mark.dataset.mark = c.mark;
    td.appendChild(mark);
  }
  if (c.note) td.appendChild(el('span', 'text', c.note));
  const b = el('button', 'note', t('list.edit_note'));
  b.type = 'button';
  b.onclick = () => openNote(c, tr);
  td.appendChild(b);
  return td;
}

let noting = null;  // the call whose note the form shows, and its row
function openNote(c, tr) {
  closeNote();
  noting = { call: c, row: tr };
  const form = $('#note-form'), holder = el('tr', 'note-edit'), td = el('td');
  td.colSpan = COLUMNS;
  td.appendChild(form);
  holder.appendChild(td);
  tr.after(holder);
  $('#n-heading').textContent = t('note.heading', { when: formatWhen(c.start) });
  $('#n-mark').value = c.mark || '';
  $('#n-text').value = c.note || '';
  $('#n-status').textContent = '';
  countChars();
  form.hidden = false;
  $('#n-text').focus();
}

function closeNote() {
  const form = $('#note-form');
  form.hidden = true;
  $('#calls-box').insertBefore(form, $('#pager'));
  for (const r of document.querySelectorAll('tr.note-edit')) r.remove();
  noting = null;
}

function countChars() {
  $('#n-chars').textContent = t('note.chars', { n: [...$('#n-text').value].length, most: 500 });
}

async function askToken() {
  const r = await fetch('/api/session', { cache: 'no-store' });
  if (r.ok) writeToken = (await r.json()).token;
}

async function saveNote(retried) {
  if (!noting) return;
  const { call, row } = noting;
  const mark = $('#n-mark').value, note = $('#n-text').value;
  $('#n-status').textContent = t('note.saving');
  $('#n-save').disabled = true;
  let code = 'failed';
  try {
    const r = await fetch('/api/notes', {
      method: 'POST', cache: 'no-store',
      headers: { 'Content-Type': 'application/json', 'X-Vornix-Token': writeToken },
      body: JSON.stringify({ id: call.id, start: call.start, mark, note }),
    });
    const d = await r.json().catch(() => ({}));
    if (r.ok && d.saved) {
      Object.assign(call, { mark: d.mark, note: d.note });
      row.querySelector('td.note').replaceWith(noteCell(call, row));
      closeNote();
      row.dataset.saved = '1';
      return;
    }
    code = d.error || code;
    // A token from before the session changed: asked again, tried once more.
    if (code === 'bad-token' && !retried) {
      await askToken();
      $('#n-save').disabled = false;
      return saveNote(true);
    }
    if (r.status === 401) code = 'no-session';
  } catch (e) { /* no answer */ } finally {
    $('#n-save').disabled = false;
  }
  $('#n-status').textContent = t(('note.refused.' + code) in I18N.messages ? 'note.refused.' + code : 'note.refused.failed');
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
  $('#p-caller').textContent = call.caller_name ? t('player.caller_named', { number: call.caller, name: call.caller_name })
    : call.caller || t('lines.unknown_number');
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
for (const id of ['#f-number', '#f-note'])
  $(id).addEventListener('input', () => { clearTimeout(typing); typing = setTimeout(refilter, 250); });
for (const id of ['#f-since', '#f-until', '#f-outcome', '#f-mark']) $(id).addEventListener('change', refilter);
$('#note-form').addEventListener('submit', (e) => { e.preventDefault(); saveNote(false); });
$('#n-cancel').onclick = closeNote;
$('#n-text').addEventListener('input', countChars);
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
  askToken().catch(() => {});
  setInterval(drawLines, 1000);
  listen();
  loadCalls();
});
