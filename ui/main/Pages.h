// The pages of the main window: each fills one tab from the control table
// (controls by name) and its own buttons, menus and pictures.
#pragma once

class PageBuilder;

// "Input": loading, the import options, the history, the program's links.
void BuildInputPage(PageBuilder& b);
// "Preview": the preview's options, placeholders, camera and lights.
void BuildPreviewPage(PageBuilder& b);
// "Materials": the material list and the sub-pages of one material.
void BuildMaterialsPage(PageBuilder& b);
// "Groups": the group list and the geometry operations.
void BuildGroupsPage(PageBuilder& b);
// "Light Dome": lights from a light probe.
void BuildLightDomePage(PageBuilder& b);
// "POV-Ray Output", "Moray Output", "OBJ Output" and the hidden YafRay tab.
void BuildPovRayPage(PageBuilder& b);
void BuildMorayPage(PageBuilder& b);
void BuildObjPage(PageBuilder& b);
void BuildYafRayPage(PageBuilder& b);
