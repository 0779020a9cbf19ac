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
//Sky Dome.png
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
#include "rad_def.inc"
#include "car_POV_geom.inc" //Geometry
 
global_settings {
  //This setting is for alpha transparency to work properly.
  //Increase by a small amount if transparent areas appear dark.
   max_trace_level 10
 
//Radiosity settings. See section 2.3.7 in POV-Ray 3.6 manual for details
   radiosity {
              pretrace_start 0.08           // start pretrace at this size
              pretrace_end   0.01           // end pretrace at this size
              count 200                     // higher -> higher quality (1..1600)
              nearest_count 5               // higher -> higher quality (1..10)
              error_bound 0.2               // higher -> smoother, less accurate [1.8]
              recursion_limit 1             // how much interreflections are calculated (1..5+)
              low_error_factor .5           // reduce error_bound during last pretrace step
              gray_threshold 0.0            // increase for weakening colors (0..1) 
              minimum_reuse 0.015           // reuse of old radiosity samples [0.015]
              brightness 1                  // brightness of radiosity effects (0..1) 
              adc_bailout 0.01/2
             }
}
 
//CAMERA MirelanCAMERA
camera {
        orthographic
        up <0,1,0>*2.660336
        right -x*2.660336*image_width/image_height
        location <0,0,6>
        look_at <0,0,5>
        rotate <0,0,0> //roll
        rotate <-25,0,0> //pitch
        rotate <0,45,0> //yaw
        translate <0.5,1,0>
        }
 
//Sun
light_source {
              <4.74264068711928,-2.46410161513775,4.24264068711929> //light position
              color rgb <1,0.5,0.25>*1.2
              parallel
              point_at <0.5,1,0>
        }
 
//Spot
light_source {
              <1,2.5,-3> //light position
              color rgb <1,0.5,0.25>*1.2
              spotlight
              tightness 10
              falloff 25
              radius 12.5
              point_at <0,0.1,0>
        }
 
//Soft area
light_source {
              <1,2.5,-3> //light position
              color rgb <1,0.5,0.25>*1.2
              area_light
              <0.06,0,0> <0,0,0.06>
              6,6
              jitter
              circular
              adaptive 1
              orient
              fade_power 2
              fade_distance 2
        }
 
//Hard area
light_source {
              <1,2.5,-3> //light position
              color rgb <1,0.5,0.25>*1.2
              area_light
              <0.06,0,0> <0,0,0.06>
              3,3
              circular
              adaptive 1
              orient
              fade_power 2
              fade_distance 2
        }
 
//Bulb
light_source {
              <1,2.5,-3> //light position
              color rgb <1,0.5,0.25>*1.2
              fade_power 2
              fade_distance 2
              shadowless
        }
 
//Ground
plane{
      <0,1,0>,-0.5
      texture{ pigment{color rgb <0.5019608,1,0> }finish{ambient rgb<0,0,0>}} 
      no_shadow
     }
 
//Background
background { color rgb<0.6,0.4,0.2>  }
 
//Sky
sky_sphere {
        pigment { image_map { png "Sky Dome.png" interpolate 2 map_type 1 } }
        rotate <0,30,0>
}
 
//Placeholders
//Shape_0
object{
       box {<-0.5,-0.5,-0.5>,<0.5,0.5,0.5> 
texture{pigment{color rgb<1,0,0>}finish{ambient rgb<0,0,0>}}}
       scale <1,2,3> //size
       rotate <0,90,0> //rotation
       translate <0.5,0,-1> //position
      }
//Shape_1
object{
       sphere {<0,0,0> , 0.5 
texture{pigment{color rgb<1,0,0>}finish{ambient rgb<0,0,0>}}}
       scale <1,2,3> //size
       rotate <0,90,0> //rotation
       translate <0.5,0,-1> //position
      }
//Shape_2
object{
       cone {<0,0,-1.5>,0.5,<0,0,1.5>,1
texture{pigment{color rgb<1,0,0>}finish{ambient rgb<0,0,0>}}}
       rotate <0,90,0> //rotation
       translate <0.5,0,-1> //position
      }
 
//Assembled object that is contained in car_POV_geom.inc
object{
      car_
      }
//==================================================
