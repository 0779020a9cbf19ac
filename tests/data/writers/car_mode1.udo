;==================================================
;Moray UDO file
;==================================================
;This file has been created by Mirelan vVERSION
;3D model to POV-Ray/Moray Converter.
;==================================================
;Files needed to run the POV-Ray scene:
;car.ini (initialization file - open this to render)
;car.pov (scene setup of cameras, lights and geometry)
;car_geom.inc (geometry mesh)
;car_mat.inc (materials)
; 
;==================================================
;==================================================
;Model Statistics:
;Number of triangular faces..... 7
;Number of vertices............. 8
;Number of normals.............. 4
;Number of UV coordinates....... 4
;Number of lines................ 2
;Number of materials............ 5
;Number of groups/meshes........ 3
;Number of subdivision faces.... 0
;UV boundaries........ from u,v=(0,0)
;                        to u,v=(1,1)
;Bounding Box....... from x,y,z=(-1,-2,-3)
;                      to x,y,z=(1.234568e+07,2.5,2)
;                 size dx,dy,dz=(1.234568e+07,4.5,5)
;                  center x,y,z=(6172838,0.25,-0.5)
;                       diagonal 1.234568e+07
;Surface area................... 3.272323e+07
;             Smallest face area 0.5
;              Largest face area 2.655038e+07
;Memory allocated for geometry.. SIZE
; 
;==================================================
version 1
IncludeFile 'car_geom.inc'
Name 'my_car_'
[my_car_Body_Paint_:Vertices]
4
0 0 0 
1 0 0 
1 1 0 
1.234568e+07 2.5 -3 
[my_car_Body_Paint_:EDGES]
6
0 1
1 2
2 0
2 1
1 3
3 2
[my_car_Body_Paint_:FACES]
2
0 1 2
2 1 3
[my_car_Body_Paint_:Transforms]
Rot -90 0 0
[my_car_Body_Paint_:Texture]
UsesTexture Paint_ defined
[my_car_Body_Paint_:Colors]
RGB 255 127.5 0
 
[my_car_Body_Glass_:Vertices]
3
1.234568e+07 2.5 -3 
-1 -2 -3 
0.5 0.5 0.5 
[my_car_Body_Glass_:EDGES]
3
0 1
1 2
2 0
[my_car_Body_Glass_:FACES]
1
0 1 2
[my_car_Body_Glass_:Transforms]
Rot -90 0 0
[my_car_Body_Glass_:Texture]
UsesTexture Glass_ defined
[my_car_Body_Glass_:Colors]
RGB 255 255 255
 
[my_car_Wheels_Paint_:Vertices]
3
0 0 0 
0.1234568 -1e-05 2 
0.5 0.5 0.5 
[my_car_Wheels_Paint_:EDGES]
3
0 1
1 2
2 0
[my_car_Wheels_Paint_:FACES]
1
0 1 2
[my_car_Wheels_Paint_:Transforms]
Rot -90 0 0
[my_car_Wheels_Paint_:Texture]
UsesTexture Paint_ defined
[my_car_Wheels_Paint_:Colors]
RGB 255 127.5 0
 
[my_car_Wheels_Chrome_:Vertices]
3
1 1 0 
0 1 0 
0.1234568 -1e-05 2 
[my_car_Wheels_Chrome_:EDGES]
3
0 1
1 2
2 0
[my_car_Wheels_Chrome_:FACES]
1
0 1 2
[my_car_Wheels_Chrome_:Transforms]
Rot -90 0 0
[my_car_Wheels_Chrome_:Texture]
UsesTexture Chrome_ defined
[my_car_Wheels_Chrome_:Colors]
RGB 51 51 63.75
 
[End]
