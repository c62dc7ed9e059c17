// Listen: the sound input, with the browser's voice processing off, decoded
// while the tape plays. An audio worklet hands over the chosen channel's
// samples; they become 16-bit values (the exact inverse of the browser's
// scaling of 16-bit input), go to the worker and into the capture. The page
// shows the level, the envelope scrolling by, warnings and the report.
'use strict';

const kTapSource = `
class VorlaneTap extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.channel = options.processorOptions.channel;
    this.buffer = new Float32Array(2048);
    this.filled = 0;
  }
  process(inputs) {
    const input = inputs[0];
    if (input && input.length > 0) {
      const samples = input[Math.min(this.channel, input.length - 1)];
      for (let i = 0; i < samples.length; i++) {
        this.buffer[this.filled++] = samples[i];
        if (this.filled === this.buffer.length) {
          this.port.postMessage(this.buffer, [this.buffer.buffer]);
          this.buffer = new Float32Array(2048);
          this.filled = 0;
        }
      }
    }
    return true;
  }
}
registerProcessor('vorlane-tap', VorlaneTap);
`;

/** Full scale counts as clipping; a peak below this for a while as too quiet. */
const kClipLevel = 0.999;
const kQuietLevel = 0.02;
const kQuietSeconds = 3;

/** The browser's float sample back to the 16-bit value it was made from. */
function toInt16(x) {
  const v = x > 0 ? Math.round(x * 32767) : Math.round(x * 32768);
  return Math.max(-32768, Math.min(32767, v));
}

/** Warnings as a list of [kind, text]; shown as text. */
function liveWarnings(state) {
  const list = [];
  const s = state.settings;
  if (s.echoCancellation !== false || s.noiseSuppression !== false || s.autoGainControl !== false) {
    list.push(['processing', 'The browser did not turn off its voice processing (echo cancellation, ' +
      'noise suppression, automatic gain): it destroys the tape signal. Try another browser or input.']);
  }
  if (state.now - state.lastClip < 1) list.push(['clipping', 'The input is clipping: turn the volume down.']);
  if (state.now >= kQuietSeconds && state.now - state.lastLoud >= kQuietSeconds) {
    list.push(['quiet', 'The input is very quiet: turn the volume up, or check the cable.']);
  }
  return list;
}

function setUpListening(tools) {
  const $ = (id) => document.getElementById(id);
  const canvas = $('envelope');
  const draw = canvas.getContext('2d');
  let session = null;

  function showLevel(peak) {
    const db = peak > 0 ? 20 * Math.log10(peak) : -60;
    $('level').style.width = Math.max(0, Math.min(100, (db + 60) * 100 / 60)) + '%';
    $('level').className = peak >= kClipLevel ? 'clip' : '';
  }

  /** One column per piece: the envelope scrolls from right to left. */
  function showEnvelope(min, max) {
    const w = canvas.width;
    const h = canvas.height;
    draw.drawImage(canvas, -2, 0);
    draw.fillStyle = '#111';
    draw.fillRect(w - 2, 0, 2, h);
    draw.fillStyle = max >= kClipLevel || min <= -kClipLevel ? '#e44' : '#6c6';
    const top = (1 - max) * h / 2;
    draw.fillRect(w - 2, top, 2, Math.max(1, (max - min) * h / 2));
  }

  function showWarnings() {
    const list = $('warnings');
    const items = liveWarnings(session).map(([kind, text]) => {
      const item = tools.el('li', { text });
      item.dataset.kind = kind;
      return item;
    });
    if (items.map((i) => i.dataset.kind).join() !== [...list.children].map((i) => i.dataset.kind).join()) {
      list.replaceChildren(...items);
    }
  }

  function onPiece(samples) {
    const ints = new Int16Array(samples.length);
    let min = 0;
    let max = 0;
    for (let i = 0; i < samples.length; i++) {
      ints[i] = toInt16(samples[i]);
      if (samples[i] < min) min = samples[i];
      if (samples[i] > max) max = samples[i];
    }
    session.worker.postMessage({ live: 'samples', samples: ints }, [ints.buffer]);
    session.now += samples.length / session.rate;
    const peak = Math.max(max, -min);
    if (peak >= kClipLevel) session.lastClip = session.now;
    if (peak >= kQuietLevel) session.lastLoud = session.now;
    showLevel(peak);
    showEnvelope(min, max);
    showWarnings();
  }

  function onWorker(message) {
    if (message.live === 'result') {
      tools.renderResult($('live-report'), 'capture', message.result);
      $('live-load').textContent = `decoded ${message.seconds.toFixed(1)} s, ` +
        `decoder busy ${(100 * message.load).toFixed(1)} % of one core`;
      if (message.final) $('live').dataset.state = 'stopped';
    } else if (message.live === 'capture') {
      const link = $('capture');
      if (link.href) URL.revokeObjectURL(link.href);
      link.href = URL.createObjectURL(new Blob([message.bytes], { type: 'audio/wav' }));
      link.download = 'capture.wav';
      link.hidden = false;
      session.worker.terminate();
      session = null;
    } else if (message.live === 'failed') {
      $('live-report').append(tools.el('p', { className: 'exit failed', text: 'The decoder stopped: ' + message.message }));
    }
  }

  async function listen() {
    $('listen').disabled = true;
    $('capture').hidden = true;
    $('live').dataset.state = 'starting';
    try {
      const stream = await navigator.mediaDevices.getUserMedia({ audio: {
        echoCancellation: false, noiseSuppression: false, autoGainControl: false, channelCount: { ideal: 2 } } });
      const track = stream.getAudioTracks()[0];
      const settings = track.getSettings();
      // At the input's own rate: anything else would be resampled.
      const context = settings.sampleRate ? new AudioContext({ sampleRate: settings.sampleRate }) : new AudioContext();
      const tapUrl = URL.createObjectURL(new Blob([kTapSource], { type: 'text/javascript' }));
      await context.audioWorklet.addModule(tapUrl);
      const channel = Math.max(1, Number(document.getElementById('channel').value) || 1) - 1;
      const tap = new AudioWorkletNode(context, 'vorlane-tap', { processorOptions: { channel } });
      const mute = context.createGain();
      mute.gain.value = 0;
      context.createMediaStreamSource(stream).connect(tap).connect(mute).connect(context.destination);
      const worker = new Worker(tools.workerSource());
      session = { stream, context, worker, settings, rate: context.sampleRate, now: 0, lastClip: -1e9, lastLoud: 0 };
      worker.onmessage = (event) => onWorker(event.data);
      const mode = $('live-decoder').value;
      worker.postMessage({ live: 'start', rate: context.sampleRate, opts: { mode } });
      tap.port.onmessage = (event) => onPiece(event.data);
      $('stop').disabled = false;
      $('live').dataset.state = 'listening';
      showWarnings();
    } catch (e) {
      $('live').dataset.state = 'failed';
      $('warnings').replaceChildren(tools.el('li', { text: 'No sound input: ' + (e && e.message ? e.message : e) }));
      $('listen').disabled = false;
    }
  }

  function stop() {
    if (!session) return;
    $('stop').disabled = true;
    $('listen').disabled = false;
    session.stream.getTracks().forEach((t) => t.stop());
    session.context.close();
    session.worker.postMessage({ live: 'stop' });
  }

  $('listen').addEventListener('click', listen);
  $('stop').addEventListener('click', stop);
}
