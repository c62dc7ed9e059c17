int vorlane_synth_placeholder() { return 0; }
