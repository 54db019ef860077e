'use strict';
// The console's views over the call log: a party's history, the call-backs still open,
// the office's figures drawn with Chart.js, built into the host like this page. The
// requests are described in host/src/web/api.md.

// A number anywhere in the page opens that party's history.
function partyCell(number) {
  const td = el('td', 'caller', number || t('list.no_caller'));
  if (number) {
    td.classList.add('party');
    td.title = t('history.open');
    td.onclick = () => openHistory(number, false);
  }
  return td;
}

function partyLink(number, card) {
  const a = el('button', 'party-link', number);
  a.type = 'button';
  a.title = t('history.open');
  a.onclick = () => openHistory(number, false);
  const span = el('span', 'party');
  span.appendChild(a);
  if (card && (card.name || card.company)) span.appendChild(el('span', 'card-name', card.name || card.company));
  return span;
}

// How long ago an ISO time was, in the largest unit that fits.
function agoText(iso) {
  const seconds = Math.max(0, (Date.now() - Date.parse(iso)) / 1000);
  if (seconds < 60) return t('ago.now');
  if (seconds < 3600) return t('ago.minutes', { n: Math.floor(seconds / 60) });
  if (seconds < 86400) return t('ago.hours', { n: Math.floor(seconds / 3600) });
  return t('ago.days', { n: Math.floor(seconds / 86400) });
}

async function getJson(path) {
  const r = await fetch(path, { cache: 'no-store' });
  if (r.status === 401) { location.href = '/login'; throw new Error('session'); }
  if (!r.ok) throw new Error(String(r.status));
  return r.json();
}

// Ringing: this is the party's next call ("第5次来电，上次3天前"); otherwise how often
// they have called and when last.
async function openHistory(number, ringing) {
  const panel = $('#history');
  panel.hidden = false;
  $('#h-number').textContent = number;
  $('#h-name').textContent = '';
  $('#h-summary').textContent = '';
  const list = $('#h-calls');
  list.textContent = '';
  let d;
  try {
    d = await getJson('/api/history?per=50&number=' + encodeURIComponent(number));
  } catch (e) {
    $('#h-summary').textContent = t('history.failed');
    return;
  }
  if (d.card) $('#h-name').textContent = d.card.name || d.card.company;
  const ago = d.last ? agoText(d.last) : '';
  $('#h-summary').textContent = !d.total ? t(ringing ? 'history.first_call' : 'history.none')
    : ringing ? t('history.ringing', { n: d.rang + 1, ago }) : t('history.summary', { n: d.total, ago });
  panel.dataset.total = d.total;
  for (const c of d.calls) {
    const li = el('li', 'call ' + c.outcome);
    li.dataset.direction = c.direction;
    li.appendChild(el('span', 'when', formatWhen(c.start)));
    li.appendChild(el('span', 'direction', t('direction.' + c.direction)));
    li.appendChild(el('span', 'line-name', c.line));
    li.appendChild(el('span', 'outcome', t('outcome.' + c.outcome)));
    li.appendChild(el('span', 'length', c.outcome === 'missed' ? '' : formatLength(c.seconds)));
    list.appendChild(li);
  }
}

$('#h-close').onclick = () => { $('#history').hidden = true; };
$('#history').addEventListener('click', (e) => { if (e.target.id === 'history') $('#history').hidden = true; });

async function loadCallBacks() {
  let d;
  try {
    d = await getJson('/api/callbacks?days=30&per=100');
  } catch (e) {
    return;
  }
  $('#cb-count').textContent = tCount('callbacks.count', d.count);
  const badge = $('#cb-badge');
  badge.textContent = t('callbacks.badge', { n: d.count });
  badge.classList.toggle('open', d.count > 0);
  badge.dataset.count = d.count;
  const list = $('#callbacks');
  list.textContent = '';
  if (!d.open.length) list.appendChild(el('li', 'none', t('callbacks.none')));
  for (const o of d.open) {
    const li = el('li', 'callback');
    li.dataset.number = o.call.party;
    li.appendChild(partyLink(o.call.party, o.call.party_card));
    li.appendChild(el('span', 'missed', tCount('callbacks.missed', o.missed)));
    li.appendChild(el('span', 'when', t('callbacks.since', { when: formatWhen(o.call.start), line: o.call.line })));
    li.appendChild(el('span', 'waited', t('callbacks.waited', { length: formatLength(o.waited) })));
    list.appendChild(li);
  }
  if (d.count > d.open.length) list.appendChild(el('li', 'more', t('callbacks.more', { n: d.count - d.open.length })));
}

$('#cb-badge').onclick = () => $('#callbacks-box').scrollIntoView({ behavior: 'smooth' });

let statsDays = 1;
const charts = {};
const COLOURS = { answered: '#2e7d32', missed: '#d32f2f', outgoing: '#1565c0' };

function drawChart(id, labels, rows) {
  if (charts[id]) charts[id].destroy();
  const datasets = ['answered', 'missed', 'outgoing'].map((k) => ({
    label: t('stats.' + k), data: rows.map((r) => r[k]), backgroundColor: COLOURS[k], stack: 'calls' }));
  charts[id] = new Chart($('#' + id), {
    type: 'bar',
    data: { labels, datasets },
    options: { responsive: true, maintainAspectRatio: false, animation: false,
      scales: { x: { stacked: true }, y: { stacked: true, beginAtZero: true, ticks: { precision: 0 } } },
      plugins: { legend: { position: 'bottom' } } },
  });
}

function figure(list, key, value) {
  const box = el('div', 'figure');
  box.appendChild(el('dt', '', t(key)));
  const dd = el('dd', '', value);
  dd.dataset.key = key;
  box.appendChild(dd);
  list.appendChild(box);
}

async function loadStats() {
  let d;
  try {
    d = await getJson('/api/stats?days=' + statsDays);
  } catch (e) {
    return;
  }
  for (const b of document.querySelectorAll('#stats-days button')) b.classList.toggle('chosen', Number(b.dataset.days) === d.days);
  const figures = $('#stats-figures');
  figures.textContent = '';
  figures.dataset.days = d.days;
  figure(figures, 'stats.answered', String(d.total.answered));
  figure(figures, 'stats.missed', String(d.total.missed));
  figure(figures, 'stats.outgoing', String(d.total.outgoing));
  figure(figures, 'stats.answer_rate', t('stats.percent', { n: Math.round(d.answer_rate * 100) }));
  figure(figures, 'stats.average', formatLength(d.average_seconds));
  figure(figures, 'stats.talk_total', formatLength(d.talk_seconds));
  figure(figures, 'stats.open_callbacks', String(d.open_callbacks));
  if (typeof Chart !== 'undefined') {
    Chart.defaults.font.family = getComputedStyle(document.body).fontFamily;
    drawChart('chart-hours', d.by_hour.map((h, i) => t('stats.hour', { h: i })), d.by_hour);
    drawChart('chart-days', d.by_day.map((x) => formatDate(x.date)), d.by_day);
  }
  const lines = $('#stats-lines');
  lines.textContent = '';
  for (const l of d.lines) lines.appendChild(el('li', '', tCount('stats.line_calls', l.calls, { line: l.name })));
  const callers = $('#stats-callers');
  callers.textContent = '';
  for (const c of d.callers) {
    const li = el('li', '');
    li.appendChild(partyLink(c.number, c.card));
    li.appendChild(el('span', 'calls', tCount('stats.calls', c.calls)));
    callers.appendChild(li);
  }
}

for (const b of document.querySelectorAll('#stats-days button')) b.onclick = () => { statsDays = Number(b.dataset.days); loadStats(); };

// A call that ended may open or close a call-back and counts in the figures.
function callEnded() {
  loadCallBacks();
  loadStats();
}

i18nReady.then(() => {
  loadCallBacks();
  loadStats();
  // Waiting times grow, and a log changed elsewhere is taken in.
  setInterval(loadCallBacks, 60000);
});
