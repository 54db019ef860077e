'use strict';
// The console's words and how it writes dates and lengths, from the catalogue the server
// chose for this browser (host/web/messages/*.json; see host/web/README.md). Loaded
// before the page's own script, which starts once `i18nReady` has the catalogue.
const I18N = { messages: {}, storeKey: 'vornix_lang' };

// The text of `key` with {name} marks filled from `params`; the key itself when the
// catalogue lacks it, so that a missing text shows as what to add.
function t(key, params) {
  const text = Object.prototype.hasOwnProperty.call(I18N.messages, key) ? I18N.messages[key] : key;
  return text.replace(/\{(\w+)\}/g, (mark, name) => (params && name in params ? String(params[name]) : mark));
}

// A count's text: KEY_one for exactly one where the language has it, KEY otherwise;
// `params` fill its other marks.
function tCount(key, n, params) {
  return t(n === 1 && (key + '_one') in I18N.messages ? key + '_one' : key, Object.assign({}, params, { n }));
}

const two = (n) => String(n).padStart(2, '0');
// The parts of an ISO time with its offset (2026-12-09T14:30:05+08:00) as the office's
// clock read them: written as the recorder wrote them, whatever the browser's zone.
function timeParts(iso) {
  const m = /^(\d{4})-(\d\d)-(\d\d)(?:[T ](\d\d):(\d\d))?/.exec(iso || '');
  if (!m) return null;
  return { yyyy: m[1], mm2: m[2], dd: m[3], d: Number(m[3]), month: t('date.month.' + Number(m[2])),
    hh: m[4] || '00', mm: m[5] || '00' };
}

// A call's start: day and time for this year's, with the year for older ones.
function formatWhen(iso) {
  const p = timeParts(iso);
  if (!p) return iso || '';
  return t(Number(p.yyyy) === new Date().getFullYear() ? 'date.this_year' : 'date.other_year', p);
}

// A whole date (2026-12-09 as the office writes it).
function formatDate(iso) {
  const p = timeParts(iso);
  return p ? t('date.full', p) : iso || '';
}

// A length of time: seconds under a minute, minutes (and seconds) under an hour, hours
// and minutes beyond.
function formatLength(seconds) {
  const all = Math.max(0, Math.floor(Number(seconds) || 0));
  const h = Math.floor(all / 3600), m = Math.floor(all / 60) % 60, s = all % 60;
  if (h) return t(m ? 'length.hours_minutes' : 'length.hours', { h, m });
  if (m) return t(s ? 'length.minutes_seconds' : 'length.minutes', { m, s });
  return t('length.seconds', { s });
}

// The page's own words: data-i18n names the text of an element, data-i18n-placeholder
// and data-i18n-title those of its attributes.
function translatePage(root) {
  for (const e of root.querySelectorAll('[data-i18n]')) if (e.dataset.i18n) e.textContent = t(e.dataset.i18n);
  for (const e of root.querySelectorAll('[data-i18n-placeholder]')) e.placeholder = t(e.dataset.i18nPlaceholder);
  for (const e of root.querySelectorAll('[data-i18n-title]')) e.title = t(e.dataset.i18nTitle);
}

// The switch's choice, kept in the browser and in a cookie the server reads, so that the
// login page (before any session) speaks it too.
function chooseLanguage(lang) {
  try { localStorage.setItem(I18N.storeKey, lang); } catch (e) { /* private mode: the cookie still holds it */ }
  document.cookie = I18N.storeKey + '=' + encodeURIComponent(lang) + '; path=/; max-age=31536000; samesite=strict';
  location.reload();
}

function storedLanguage() {
  try { return localStorage.getItem(I18N.storeKey) || ''; } catch (e) { return ''; }
}

const i18nReady = (async () => {
  const stored = storedLanguage();
  try {
    const r = await fetch('/messages.json' + (stored ? '?lang=' + encodeURIComponent(stored) : ''), { cache: 'no-store' });
    if (r.ok) I18N.messages = await r.json();
  } catch (e) { /* the keys show instead */ }
  const lang = I18N.messages['meta.lang'] || '';
  document.documentElement.lang = lang;
  translatePage(document);
  for (const b of document.querySelectorAll('[data-lang]')) {
    b.classList.toggle('chosen', b.dataset.lang === lang);
    b.onclick = () => chooseLanguage(b.dataset.lang);
  }
})();
