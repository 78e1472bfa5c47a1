#pragma once
// The loading bar: one complete frame per call, presented at once (and captured in
// capture mode). Only used during start-up.

// percent from 0 to 100: the filled part grows from the centre out to the frame's width.
void showProgress(float percent);
// The bar alone, drawn into the back buffer and flushed, neither captured nor presented:
// what showProgress presents, and the loading frame of an offscreen export.
void drawProgress(float percent);
