// The preview peer: loads an OBJ file with the parser of FastObjParse.h,
// lays its triangles out as one array of floats (position, normal and
// texture coordinate per corner), draws them once with a headlight through
// glDrawArrays into an offscreen picture of the same OpenGL set-up as the
// program's preview, and saves the picture as a PNG file.
//   peer_preview W H OUT.png MODEL
#include <GL/gl.h>
#include <GL/glu.h>

#include <QGuiApplication>
#include <QImage>
#include <QOpenGLFramebufferObject>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/peers/FastObjParse.h"
#include "preview/GlResources.h"

namespace {

// Per corner of every triangle (polygons as fans): position, normal, UV.
std::vector<float> CornerArray(const peer::ObjMesh& mesh, float lo[3], float hi[3]) {
    std::vector<float> out;
    std::size_t triangles = 0;
    for (uint32_t n : mesh.faceCorners) triangles += n >= 3 ? n - 2 : 0;
    out.reserve(triangles * 3 * 8);
    for (int k = 0; k < 3; ++k) lo[k] = 1e30f, hi[k] = -1e30f;
    auto corner = [&](std::size_t c) {
        const int32_t* i = &mesh.corners[3 * c];
        const std::size_t vertices = mesh.positions.size() / 3;
        const float* p = i[0] >= 0 && static_cast<std::size_t>(i[0]) < vertices ? &mesh.positions[3 * i[0]] : nullptr;
        const float zero[3] = {0, 0, 0}, up[3] = {0, 0, 1};
        if (!p) p = zero;
        const float* n = i[2] >= 0 && static_cast<std::size_t>(i[2]) < mesh.normals.size() / 3 ? &mesh.normals[3 * i[2]] : up;
        const float* t = i[1] >= 0 && static_cast<std::size_t>(i[1]) < mesh.texcoords.size() / 2 ? &mesh.texcoords[2 * i[1]] : zero;
        out.insert(out.end(), {p[0], p[1], p[2], n[0], n[1], n[2], t[0], t[1]});
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    };
    std::size_t first = 0;
    for (uint32_t n : mesh.faceCorners) {
        for (uint32_t k = 2; k < n; ++k) {
            corner(first);
            corner(first + k - 1);
            corner(first + k);
        }
        first += n;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: peer_preview W H OUT.png MODEL\n");
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    if (width < 1 || height < 1 || width > 8192 || height > 8192) return 2;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    PrepareOpenGL();
    QGuiApplication application(argc, argv);

    std::vector<float> corners;
    float lo[3], hi[3];
    {
        peer::ObjMesh mesh;
        if (!peer::LoadObj(argv[4], mesh)) {
            std::fprintf(stderr, "peer_preview: cannot read %s\n", argv[4]);
            return 1;
        }
        corners = CornerArray(mesh, lo, hi);
    }

    int status = 1;
    {
        const GLScope gl;
        if (!gl.ok()) {
            std::fprintf(stderr, "peer_preview: no OpenGL context\n");
            return 1;
        }
        QOpenGLFramebufferObjectFormat format;
        format.setAttachment(QOpenGLFramebufferObject::Depth);
        format.setInternalTextureFormat(GL_RGB8);
        QOpenGLFramebufferObject target(width, height, format);
        if (target.isValid() && target.bind()) {
            const double center[3] = {(lo[0] + hi[0]) / 2.0, (lo[1] + hi[1]) / 2.0, (lo[2] + hi[2]) / 2.0};
            const double diagonal =
                std::sqrt(std::pow(hi[0] - lo[0], 2) + std::pow(hi[1] - lo[1], 2) + std::pow(hi[2] - lo[2], 2));
            glViewport(0, 0, width, height);
            glClearColor(0.94f, 0.94f, 0.94f, 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glEnable(GL_DEPTH_TEST);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            gluPerspective(25, static_cast<double>(width) / height, diagonal / 50, 4 * diagonal);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            const GLfloat light[4] = {0, 0, 1, 0};
            glLightfv(GL_LIGHT0, GL_POSITION, light);
            glEnable(GL_LIGHTING);
            glEnable(GL_LIGHT0);
            gluLookAt(center[0], center[1], center[2] + 2 * diagonal, center[0], center[1], center[2], 0, 1, 0);
            glEnableClientState(GL_VERTEX_ARRAY);
            glEnableClientState(GL_NORMAL_ARRAY);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            const GLsizei stride = 8 * sizeof(float);
            glVertexPointer(3, GL_FLOAT, stride, corners.data());
            glNormalPointer(GL_FLOAT, stride, corners.data() + 3);
            glTexCoordPointer(2, GL_FLOAT, stride, corners.data() + 6);
            glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(corners.size() / 8));
            glFinish();
            QImage image(width, height, QImage::Format_RGBA8888);
            glPixelStorei(GL_PACK_ALIGNMENT, 4);
            glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
            target.release();
            image = image.mirrored().convertToFormat(QImage::Format_RGB32);
            if (image.save(QString::fromUtf8(argv[3]))) status = 0;
        }
    }
    ReleaseGLResources();
    if (status == 0) std::printf("preview %d %d triangles %zu\n", width, height, corners.size() / 24);
    return status;
}
