// The load peer as a program: reads an OBJ file with the parser of
// FastObjParse.h and prints what it holds.
//   peer_obj_parse MODEL
#include <cstdio>

#include "bench/peers/FastObjParse.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: peer_obj_parse MODEL\n");
        return 2;
    }
    peer::ObjMesh mesh;
    if (!peer::LoadObj(argv[1], mesh)) {
        std::fprintf(stderr, "peer_obj_parse: cannot read %s\n", argv[1]);
        return 1;
    }
    std::printf("vertices %zu uvs %zu normals %zu faces %zu\n", mesh.positions.size() / 3, mesh.texcoords.size() / 2,
                mesh.normals.size() / 3, mesh.faceCorners.size());
    return 0;
}
