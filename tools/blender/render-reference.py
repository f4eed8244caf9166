"""Renders Blender's own picture of FBX files, for the contact sheet that sets vornis-snap's
pictures beside Blender's: each file imported into an empty scene, seen from the front, a
little from the right and above (as vornis-snap looks at a model), with the workbench engine.

    xvfb-run -a blender -b --factory-startup -P tools/blender/render-reference.py -- \\
        OUT_DIR [--time SECONDS] MODEL.fbx...
Writes OUT_DIR/<model name>.png at 400 x 300; a file Blender cannot import gets none.
"""
import math
import os
import sys

import bpy
from mathutils import Vector


def render(path, folder, seconds):
    bpy.ops.wm.read_factory_settings(use_empty=True)
    scene = bpy.context.scene
    bpy.ops.import_scene.fbx(filepath=path)
    if seconds is not None:
        scene.frame_set(int(round(scene.frame_start + seconds * scene.render.fps)))
    depsgraph = bpy.context.evaluated_depsgraph_get()
    low = Vector((math.inf,) * 3)
    high = Vector((-math.inf,) * 3)
    for obj in scene.objects:
        if obj.type != "MESH":
            continue
        evaluated = obj.evaluated_get(depsgraph)
        for corner in evaluated.bound_box:
            p = evaluated.matrix_world @ Vector(corner)
            low = Vector(min(a, b) for a, b in zip(low, p))
            high = Vector(max(a, b) for a, b in zip(high, p))
    centre = (low + high) / 2
    radius = max((high - low).length / 2, 1e-4)
    camera = bpy.data.objects.new("Camera", bpy.data.cameras.new("Camera"))
    scene.collection.objects.link(camera)
    camera.data.angle = math.radians(45)
    direction = Vector((0.35, -1.0, 0.45)).normalized()
    camera.location = centre + direction * radius / math.sin(math.radians(20))
    camera.rotation_euler = (-direction).to_track_quat("-Z", "Y").to_euler()
    camera.data.clip_start = radius * 0.01
    camera.data.clip_end = radius * 100
    scene.camera = camera
    scene.render.engine = "BLENDER_WORKBENCH"
    scene.display.shading.light = "STUDIO"
    scene.display.shading.color_type = "TEXTURE"
    scene.render.resolution_x, scene.render.resolution_y = 400, 300
    scene.render.filepath = os.path.join(folder, os.path.splitext(os.path.basename(path))[0])
    bpy.ops.render.render(write_still=True)


def main():
    args = sys.argv[sys.argv.index("--") + 1:]
    folder, seconds = args.pop(0), None
    if args and args[0] == "--time":
        seconds = float(args[1])
        args = args[2:]
    os.makedirs(folder, exist_ok=True)
    for path in args:
        # Blender reads binary FBX only: an ASCII file (or one it refuses) gets no picture.
        try:
            render(os.path.abspath(path), folder, seconds)
        except RuntimeError as error:
            print(f"no picture of {path}: {error}")


main()
