// The flat overlay of a preview frame, drawn over the 3D content in units of
// 0..1000 across and up the window: the grid with its centre cross, the
// horizon line and the axes gizmo.
#pragma once

// True when "Grid", "Horizon" or "Display axis" is checked.
bool OverlayWanted();

// Draws the overlay into a frame of width x height pixels whose view
// measures frustumWidth x frustumHeight at the target's distance. Depth
// test on and both matrices as before when it returns.
void DrawOverlay(int width, int height, double frustumWidth, double frustumHeight);

// Where the horizon line of the view crosses the circle around the view of
// the given frustum, in overlay units; false when it misses the circle.
struct thorizon {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
bool HorizonLine(double frustumWidth, double frustumHeight, thorizon& line);
