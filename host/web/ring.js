'use strict';
// A ring is noticed away from the page too: a ring sound made in the page and a desktop
// notification naming the caller, once per ring, over when the line is answered or stops
// ringing. app.js hands over every state of the lines as the 'lines' event.
const Ring = {
  store: { sound: 'vornix_ring_sound', notify: 'vornix_ring_notify' },
  audio: null,     // the page's AudioContext, once made
  sound: null,     // the ring sound while it plays: { osc, gain }
  heard: {},       // slot -> the start of the ring last noticed there
  notes: {},       // slot -> its open notification and the caller it names: { note, text }
  last: { live: false, list: [] },  // the lines as last handed over
  used: false,     // the page was used a while ago: a sound still silent is not the browser's rule
};
const RING_CADENCE = [0.4, 0.2, 0.4, 2.0];  // on, off, on, off (seconds): a double ring
const RING_CYCLES = 100;                      // five minutes of rings scheduled at once

function ringChoice(what) {
  try { return localStorage.getItem(Ring.store[what]) !== 'off'; } catch (e) { return true; }
}

function ringChoose(what, on) {
  try { localStorage.setItem(Ring.store[what], on ? 'on' : 'off'); } catch (e) { /* kept for this visit only */ }
}

// The caller as a notification names them: the number, and the name and company the
// line's card carries when the phonebook or the database knows them.
function ringCaller(line) {
  const number = line.caller || t('lines.unknown_number');
  const who = [line.name, line.company].filter((s) => s).join(' · ');
  return who ? t('ring.caller_named', { number, who }) : number;
}

// Browsers start sound only after the person has used the page: the context is made at
// once and resumed on the first click or key.
function ringAudioReady() {
  return Ring.audio && Ring.audio.state === 'running';
}

function ringUnlock(e) {
  if (!Ring.audio) {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) { Ring.used = true; return; }
    try { Ring.audio = new Context(); } catch (err) { Ring.used = true; return; }
    // Allowed now: a line already ringing is heard at once.
    Ring.audio.onstatechange = () => { ringHint(); ringSoundFollow(); };
  }
  if (Ring.audio.state === 'running') return;
  Ring.audio.resume().then(ringHint, () => {});
  // Used and still silent a moment later: this computer has no sound to give (no
  // device, or none the browser may open), which a click does not mend.
  if (e && e.isTrusted) setTimeout(() => { Ring.used = true; ringHint(); }, 2000);
}

function ringSoundStart() {
  if (Ring.sound || !ringAudioReady()) return;
  const a = Ring.audio;
  // Two tones 25 Hz apart in one wave beat into the trill of a desk phone's ringer.
  const imag = new Float32Array(63);
  imag[60] = imag[62] = 0.5;
  const osc = a.createOscillator();
  osc.setPeriodicWave(a.createPeriodicWave(new Float32Array(63), imag));
  osc.frequency.value = 12.5;
  const gain = a.createGain();
  // The cadence scheduled ahead: the page's timers slow down in a tab in the background.
  let at = a.currentTime + 0.05, level = 0;
  gain.gain.value = 0;  // silent until the first ring, not at the gain's own 1
  for (let i = 0; i < RING_CYCLES; i++) {
    RING_CADENCE.forEach((length, n) => {
      gain.gain.setValueAtTime(level, at);
      level = n % 2 ? 0 : 0.3;
      gain.gain.linearRampToValueAtTime(level, at + 0.02);  // no click at the edges
      at += length;
    });
  }
  osc.connect(gain).connect(a.destination);
  osc.start();
  Ring.sound = { osc, gain };
}

function ringSoundStop() {
  if (!Ring.sound) return;
  const { osc, gain } = Ring.sound;
  Ring.sound = null;
  // Faded out rather than cut mid-ring, which clicks.
  const now = Ring.audio.currentTime;
  gain.gain.cancelScheduledValues(now);
  gain.gain.setValueAtTime(gain.gain.value, now);
  gain.gain.linearRampToValueAtTime(0, now + 0.03);
  osc.onended = () => osc.disconnect();
  osc.stop(now + 0.05);
}

// One notification a line: shown again under the same tag it takes the place of the
// one before, silently.
function ringNotify(line) {
  if (!ringChoice('notify') || !window.Notification || Notification.permission !== 'granted') return;
  const text = ringCaller(line);
  try {
    const note = new Notification(t('ring.title', { n: line.slot + 1 }), {
      body: text, tag: 'vornix-ring-' + line.slot, requireInteraction: true });
    note.onclick = () => { window.focus(); note.close(); };
    Ring.notes[line.slot] = { note, text };
  } catch (e) { /* a browser that shows notifications only from a service worker */ }
}

function ringNoteClose(slot) {
  if (Ring.notes[slot]) Ring.notes[slot].note.close();
  delete Ring.notes[slot];
}

// Every state of the lines: a line that starts ringing is noticed once; the start of its
// ring tells a new ring from the same one heard again (its start moves by a millisecond
// or so between rounds; two rings of one line are seconds apart). A name that comes
// during the ring (the database answers later than the phonebook) renews the notification.
function ringWatch(lines) {
  Ring.last = lines;
  const still = {};
  for (const l of lines.live ? lines.list : []) {
    if (l.phase !== 'ringing' && l.phase !== 'rang') continue;
    still[l.slot] = true;
    const before = Ring.heard[l.slot], shown = Ring.notes[l.slot];
    if (before !== undefined && Math.abs(before - l.since) < 1000) {
      if (shown && (l.name || l.company) && shown.text !== ringCaller(l)) ringNotify(l);
      continue;
    }
    Ring.heard[l.slot] = l.since;
    if (l.phase === 'ringing') ringNotify(l);
  }
  for (const slot of Object.keys(Ring.notes)) if (!still[slot]) ringNoteClose(slot);
  ringSoundFollow();
}

// The sound plays while any line rings and the sound is wanted.
function ringSoundFollow() {
  const any = Ring.last.live && Ring.last.list.some((l) => l.phase === 'ringing');
  if (any && ringChoice('sound')) ringSoundStart(); else ringSoundStop();
}

// The switches and the hint beside them: what is still needed for the sound and the
// notifications to reach the person.
function ringHint() {
  const hint = $('#ring-hint'), allow = $('#ring-allow');
  let text = '';
  // Most browsers refuse notifications to a page over plain HTTP from another computer:
  // no setting of the page's own mends that.
  const permission = window.Notification ? Notification.permission : 'denied';
  const notes = !window.Notification || (permission === 'denied' && !window.isSecureContext) ? 'unavailable' : permission;
  allow.hidden = !(ringChoice('notify') && notes === 'default');
  if (ringChoice('sound') && !ringAudioReady()) text = Ring.used ? t('ring.sound_unavailable') : t('ring.sound_blocked');
  else if (ringChoice('notify') && notes === 'denied') text = t('ring.notify_denied');
  else if (ringChoice('notify') && notes === 'unavailable') text = t('ring.notify_unavailable');
  hint.textContent = text;
  hint.hidden = !text;
}

function ringAskPermission() {
  if (window.Notification && Notification.permission === 'default') Notification.requestPermission().then(ringHint, ringHint);
}

i18nReady.then(() => {
  for (const what of ['sound', 'notify']) {
    const box = $('#ring-' + what);
    box.checked = ringChoice(what);
    box.addEventListener('change', () => {
      ringChoose(what, box.checked);
      if (what === 'notify' && box.checked) ringAskPermission();
      if (what === 'notify' && !box.checked) for (const slot of Object.keys(Ring.notes)) ringNoteClose(slot);
      ringSoundFollow();
      ringHint();
    });
  }
  $('#ring-allow').addEventListener('click', ringAskPermission);
  for (const type of ['pointerdown', 'keydown']) document.addEventListener(type, ringUnlock, { capture: true });
  document.addEventListener('lines', (e) => ringWatch(e.detail));
  ringUnlock();
  ringHint();
});
