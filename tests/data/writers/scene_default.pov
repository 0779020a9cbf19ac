//==================================================
//POV-Ray Main scene file
//==================================================
//This file has been created by Mirelan vVERSION
//3D model to POV-Ray/Moray Converter.
//==================================================
//Files needed to run the POV-Ray scene:
//car_POV_main.ini (initialization file - open this to render)
//car_POV_scene.pov (scene setup of cameras, lights and geometry)
//car_POV_geom.inc (geometry mesh)
//car_POV_mat.inc (materials)
// 
//==================================================
//Model Statistics:
//Number of triangular faces..... 12
//Number of vertices............. 8
//Number of normals.............. 0
//Number of UV coordinates....... 0
//Number of lines................ 0
//Number of materials............ 1
//Number of groups/meshes........ 1
//Number of subdivision faces.... 0
//Bounding Box....... from x,y,z=(-0.5,0,-1)
//                      to x,y,z=(1.5,2,1)
//                 size dx,dy,dz=(2,2,2)
//                  center x,y,z=(0.5,1,0)
//                       diagonal 3.464102
//Surface area................... 24
//             Smallest face area 2
//              Largest face area 2
//Memory allocated for geometry.. SIZE
// 
//==================================================
//IMPORTANT:
//This file was designed to run with the following command line options: 
// +W1000 +H1000 +FN +AM1 +A -UA
//if you are not using an INI file copy and paste the text above to the command line box before rendering
 
#include "stdinc.inc"
#include "skies.inc"
#include "stars.inc"
#include "textures.inc"
#include "car_POV_geom.inc" //Geometry
 
global_settings {
  //This setting is for alpha transparency to work properly.
  //Increase by a small amount if transparent areas appear dark.
   max_trace_level 10
 
}
 
//CAMERA MirelanCAMERA
camera {
        perspective
        up <0,1,0>
        right -x*image_width/image_height
        location <0,0,6>
        look_at <0,0,5>
        angle 32.93461 // horizontal FOV angle
        rotate <0,0,0> //roll
        rotate <-25,0,0> //pitch
        rotate <0,45,0> //yaw
        translate <0.5,1,0>
        }
 
//Mirelan default Light attached to the camera
light_source {
              <0,0,6> //light position
              color rgb <1,1,1>*2
              parallel
              point_at <0,0,0>
              rotate <0,0,0> //roll
              rotate <-25,0,0> //elevation
              rotate <0,45,0> //rotation
             }
 
//Background
background { color rgb<0.6,0.4,0.2>  }
 
//Assembled object that is contained in car_POV_geom.inc
object{
      car_
      }
//==================================================
