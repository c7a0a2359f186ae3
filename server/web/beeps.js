// The site's beeps, heard and seen: a short tone through Web Audio (which a
// browser allows only after the tester's first gesture on the page), and a
// flash of the beep mark, for test benches without sound.

const tone_hz = 880;
const tone_seconds = 0.12;
const tone_gain = 0.2;
const flash_ms = 300;

export class beeper {
  constructor(mark) {
    this.mark = mark;
    this.audio = null;
    this.flash_timer = 0;
    const unlock = () => {
      if (!this.audio && window.AudioContext) this.audio = new AudioContext();
      this.audio?.resume();
    };
    for (const type of ["pointerdown", "keydown"]) window.addEventListener(type, unlock, { capture: true });
  }

  beep(count) {
    this.mark.dataset.beeps = count;
    this.mark.title = `${count} beeps so far`;
    this.mark.classList.add("flash");
    clearTimeout(this.flash_timer);
    this.flash_timer = setTimeout(() => this.mark.classList.remove("flash"), flash_ms);
    this.play();
  }

  play() {
    const audio = this.audio;
    if (!audio || audio.state !== "running") return;
    const oscillator = audio.createOscillator();
    const gain = audio.createGain();
    oscillator.frequency.value = tone_hz;
    gain.gain.value = tone_gain;
    oscillator.connect(gain).connect(audio.destination);
    oscillator.start();
    oscillator.stop(audio.currentTime + tone_seconds);
  }
}
