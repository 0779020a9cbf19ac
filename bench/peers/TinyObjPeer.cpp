// The second load peer: Debian's tinyobjloader reading an OBJ file (with its
// material library, triangulated, as its own example programs load one).
//   peer_tinyobj MODEL
#include <tiny_obj_loader.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: peer_tinyobj MODEL\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warning, error;
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error, path.c_str(), folder.c_str(), true)) {
        std::fprintf(stderr, "peer_tinyobj: %s\n", error.c_str());
        return 1;
    }
    std::size_t faces = 0;
    for (const tinyobj::shape_t& s : shapes) faces += s.mesh.num_face_vertices.size();
    std::printf("vertices %zu uvs %zu normals %zu faces %zu\n", attrib.vertices.size() / 3,
                attrib.texcoords.size() / 2, attrib.normals.size() / 3, faces);
    return 0;
}
