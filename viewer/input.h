// The five input handlers. Each changes the scene and asks for a redraw (all but onKeyboard);
// none draws or computes a distance itself.
//
// Pointer positions convert to drawn coordinates through gluUnProject and gluProject, with the
// model-view and projection matrices and the viewport read afresh on every event.
#ifndef VIEWER_INPUT_H
#define VIEWER_INPUT_H

// Left press: pick the nearest control point of each curve within the pick tolerance. Left
// release: drop both picks. Any other button starts (press) or ends (release) a zoom drag.
void onMouseButton(int button, int state, int x, int y);

// Moves each picked point so that its image follows the pointer pixel for pixel, then applies
// the zoom step of an active zoom drag: 0.001 of scale per pixel, up enlarges, within [0.1, 5].
void onMouseDrag(int x, int y);

// Arrow keys shift the whole of curveA by 0.1 model units; every special key redraws.
void onSpecialKey(int key, int x, int y);

// A wheel turn only redraws. Handling it here keeps wheel turns away from onMouseButton, where
// they would end a zoom drag.
void onMouseWheel(int wheel, int direction, int x, int y);

// R or r toggles the drawing resolution between 100 and 512 segments. No redraw is requested:
// the new resolution shows in the next frame that something else causes.
void onKeyboard(unsigned char key, int x, int y);

#endif  // VIEWER_INPUT_H
