"""Makes the Blender test files of tests/fixtures/blender with Blender's own FBX exporter at
its default settings, and records Blender's answers about each scene beside them.

Run by hand when the fixtures change (Blender is no build or test dependency):
    blender -b --factory-startup -P tools/blender/make-fixtures.py -- tests/fixtures/blender

Written per file: NAME.fbx (textures under textures/) and, in blender-answers.json, for each
file its triangle count, its takes (name as the exporter names the FBX take, frames, seconds)
and the world-space bounds of every mesh vertex, deformed by its armature, in Blender's own
axes (Z up): at rest for a file without takes, else at two moments of each take.
"""
import json
import math
import os
import sys

import bpy
from mathutils import Vector

FPS = 24


def fresh_scene():
    bpy.ops.wm.read_factory_settings(use_empty=True)
    scene = bpy.context.scene
    scene.render.fps = FPS
    return scene


def placed(obj, name, location, rotation, scale, parent):
    obj.name = name
    obj.data.name = name + "Mesh"
    obj.location = location
    obj.rotation_euler = [math.radians(a) for a in rotation]
    obj.scale = scale
    obj.parent = parent
    return obj


def box(name, location=(0, 0, 0), rotation=(0, 0, 0), scale=(1, 1, 1), parent=None):
    bpy.ops.mesh.primitive_cube_add(size=1.0)
    return placed(bpy.context.active_object, name, location, rotation, scale, parent)


def cylinder(name, location, rotation, scale, parent=None):
    bpy.ops.mesh.primitive_cylinder_add(vertices=12, radius=0.5, depth=1.0)
    return placed(bpy.context.active_object, name, location, rotation, scale, parent)


def empty(name, location, rotation, scale):
    obj = bpy.data.objects.new(name, None)
    bpy.context.scene.collection.objects.link(obj)
    obj.location = location
    obj.rotation_euler = [math.radians(a) for a in rotation]
    obj.scale = scale
    return obj


def simple_material(name, colour, metallic=0.0, roughness=0.5):
    material = bpy.data.materials.new(name)
    material.use_nodes = True
    bsdf = material.node_tree.nodes["Principled BSDF"]
    bsdf.inputs["Base Color"].default_value = (*colour, 1.0)
    bsdf.inputs["Metallic"].default_value = metallic
    bsdf.inputs["Roughness"].default_value = roughness
    return material


def mesh_bounds(scene):
    depsgraph = bpy.context.evaluated_depsgraph_get()
    low = Vector((math.inf,) * 3)
    high = Vector((-math.inf,) * 3)
    triangles = 0
    for obj in scene.objects:
        if obj.type != "MESH":
            continue
        evaluated = obj.evaluated_get(depsgraph)
        mesh = evaluated.to_mesh()
        mesh.calc_loop_triangles()
        triangles += len(mesh.loop_triangles)
        for vertex in mesh.vertices:
            p = evaluated.matrix_world @ vertex.co
            low = Vector(min(a, b) for a, b in zip(low, p))
            high = Vector(max(a, b) for a, b in zip(high, p))
        evaluated.to_mesh_clear()
    return triangles, {"min": [round(v, 6) for v in low], "max": [round(v, 6) for v in high]}


def export(folder, name):
    bpy.ops.export_scene.fbx(filepath=os.path.join(folder, name + ".fbx"))


def answers_at_rest(scene):
    triangles, bounds = mesh_bounds(scene)
    return {"triangles": triangles, "takes": [], "rest_bounds": bounds}


def answers_per_take(scene, animated, moments):
    """Bounds of each action played on `animated`, at `moments` (frames after its start)."""
    takes = []
    triangles = 0
    for action in sorted(bpy.data.actions, key=lambda a: a.name):
        animated.animation_data.action = action
        start, end = (int(f) for f in action.frame_range)
        take = {
            "name": animated.name + "|" + action.name,
            "frame_start": start,
            "frame_end": end,
            "seconds": (end - start) / FPS,
            "bounds": [],
        }
        for moment in moments:
            scene.frame_set(start + moment)
            triangles, bounds = mesh_bounds(scene)
            take["bounds"].append({"seconds": moment / FPS, **bounds})
        takes.append(take)
    return {"triangles": triangles, "takes": takes}


def parented_prop(folder):
    """A table: an empty placing it, a top and four splayed legs with non-uniform scales, a
    vase tilted on the top and a flower on the vase."""
    scene = fresh_scene()
    table = empty("Table", (0.3, 0.2, 0.0), (0, 0, 20), (1.5, 1.5, 1.5))
    wood = simple_material("Wood", (0.55, 0.35, 0.2))
    top = box("Top", (0, 0, 0.75), scale=(1.2, 0.8, 0.05), parent=table)
    top.data.materials.append(wood)
    for i, (x, y) in enumerate([(0.5, 0.3), (-0.5, 0.3), (0.5, -0.3), (-0.5, -0.3)]):
        leg = box(f"Leg{i + 1}", (x, y, 0.37), (8 * math.copysign(1, y), -8 * math.copysign(1, x), 0),
                  (0.06, 0.06, 0.74), parent=table)
        leg.data.materials.append(wood)
    vase = cylinder("Vase", (0.2, 0.1, 0.9), (15, 0, 0), (0.1, 0.1, 0.25), parent=table)
    vase.data.materials.append(simple_material("Glaze", (0.2, 0.4, 0.8), roughness=0.2))
    flower = box("Flower", (0, 0, 0.9), scale=(0.5, 0.5, 0.4), parent=vase)
    flower.data.materials.append(simple_material("Petal", (0.9, 0.2, 0.3)))
    export(folder, "parented_prop")
    return answers_at_rest(scene)


def instances(folder):
    """Two monkeys sharing one mesh, placed and turned apart."""
    scene = fresh_scene()
    bpy.ops.mesh.primitive_monkey_add(size=1.0)
    first = bpy.context.active_object
    first.name = "MonkeyA"
    first.data.name = "MonkeyMesh"
    first.location = (-1.2, 0, 0.5)
    first.data.materials.append(simple_material("Fur", (0.6, 0.45, 0.3)))
    second = first.copy()  # shares the mesh
    second.name = "MonkeyB"
    scene.collection.objects.link(second)
    second.location = (1.2, 0.5, 0.8)
    second.rotation_euler = (0, 0, math.radians(90))
    second.scale = (0.6, 0.6, 0.6)
    export(folder, "instances")
    return answers_at_rest(scene)


def figure_mesh(armature, bones):
    """One box per bone, each vertex weighted fully to its bone; the spine's lowest ring
    shared half with the hips."""
    vertices, faces, groups = [], [], {}
    for name, (head, tail, width) in bones.items():
        head, tail = Vector(head), Vector(tail)
        axis = (tail - head).normalized()
        side = axis.orthogonal().normalized() * width
        other = axis.cross(side).normalized() * width
        base = len(vertices)
        for end in (head, tail):
            for a, b in [(-1, -1), (1, -1), (1, 1), (-1, 1)]:
                vertices.append(end + side * a + other * b)
        faces += [(base + a, base + b, base + c, base + d) for a, b, c, d in
                  [(0, 1, 2, 3), (7, 6, 5, 4), (0, 4, 5, 1), (1, 5, 6, 2), (2, 6, 7, 3), (3, 7, 4, 0)]]
        groups[name] = list(range(base, base + 8))
    mesh = bpy.data.meshes.new("BodyMesh")
    mesh.from_pydata([tuple(v) for v in vertices], [], faces)
    body = bpy.data.objects.new("Body", mesh)
    bpy.context.scene.collection.objects.link(body)
    for name, indices in groups.items():
        group = body.vertex_groups.new(name=name)
        group.add(indices, 1.0, "REPLACE")
    spine_foot = groups["Spine"][:4]
    body.vertex_groups["Spine"].add(spine_foot, 0.5, "REPLACE")
    body.vertex_groups["Hips"].add(spine_foot, 0.5, "REPLACE")
    body.parent = armature
    body.modifiers.new("Armature", "ARMATURE").object = armature
    body.data.materials.append(simple_material("Skin", (0.8, 0.6, 0.5)))
    return body


def key_rotation(pose_bone, frame, degrees):
    pose_bone.rotation_mode = "XYZ"
    pose_bone.rotation_euler = [math.radians(a) for a in degrees]
    pose_bone.keyframe_insert("rotation_euler", frame=frame)


def skinned_figure(folder):
    """A figure of seven bones under a moved, turned and scaled armature, with a walk and a
    wave."""
    scene = fresh_scene()
    bones = {
        "Hips": ((0, 0, 0.9), (0, 0, 1.1), 0.15),
        "Spine": ((0, 0, 1.1), (0, 0, 1.5), 0.13),
        "Head": ((0, 0, 1.5), (0, 0, 1.8), 0.1),
        "ArmL": ((0.15, 0, 1.45), (0.6, 0, 1.45), 0.05),
        "ArmR": ((-0.15, 0, 1.45), (-0.6, 0, 1.45), 0.05),
        "LegL": ((0.1, 0, 0.9), (0.1, 0, 0.05), 0.06),
        "LegR": ((-0.1, 0, 0.9), (-0.1, 0, 0.05), 0.06),
    }
    parents = {"Spine": "Hips", "Head": "Spine", "ArmL": "Spine", "ArmR": "Spine",
               "LegL": "Hips", "LegR": "Hips"}
    bpy.ops.object.armature_add(enter_editmode=True)
    armature = bpy.context.active_object
    armature.name = "Figure"
    armature.data.name = "FigureRig"
    edit = armature.data.edit_bones
    edit.remove(edit[0])
    for name, (head, tail, _) in bones.items():
        bone = edit.new(name)
        bone.head, bone.tail = head, tail
    for name, parent in parents.items():
        edit[name].parent = edit[parent]
    bpy.ops.object.mode_set(mode="OBJECT")
    armature.location = (0.5, -0.3, 0.0)
    armature.rotation_euler = (0, 0, math.radians(30))
    armature.scale = (0.8, 0.8, 0.8)
    figure_mesh(armature, bones)

    armature.animation_data_create()
    pose = armature.pose.bones

    def key_every_bone(frames):
        # A take must say where every bone is: one that leaves a bone out lets the exporter
        # bake whatever pose the bone had last.
        for bone in pose:
            for frame in frames:
                key_rotation(bone, frame, (0, 0, 0))
                bone.location = (0, 0, 0)
                bone.keyframe_insert("location", frame=frame)

    walk = bpy.data.actions.new("Walk")
    walk.use_fake_user = True
    armature.animation_data.action = walk
    key_every_bone([1, 25])
    for frame, swing in [(1, 30), (13, -30), (25, 30)]:
        key_rotation(pose["LegL"], frame, (swing, 0, 0))
        key_rotation(pose["LegR"], frame, (-swing, 0, 0))
        key_rotation(pose["ArmL"], frame, (0, 0, -swing))
        key_rotation(pose["ArmR"], frame, (0, 0, swing))
    for frame, forward in [(1, 0.0), (25, 0.8)]:
        pose["Hips"].location = (0, forward, 0)  # bone space: y runs along the bone
        pose["Hips"].keyframe_insert("location", frame=frame)
    wave = bpy.data.actions.new("Wave")
    wave.use_fake_user = True
    armature.animation_data.action = wave
    key_every_bone([1, 41])
    for frame, lift in [(1, 0), (11, 70), (21, 50), (31, 70), (41, 0)]:
        key_rotation(pose["ArmR"], frame, (0, lift, 0))
        key_rotation(pose["Head"], frame, (lift * 0.2, 0, 0))
    armature.animation_data.action = walk
    export(folder, "skinned_figure")
    return answers_per_take(scene, armature, [0, 6])


def image(folder, name, pixel):
    picture = bpy.data.images.new(name, 32, 32)
    pixels = []
    for y in range(32):
        for x in range(32):
            pixels += pixel(x, y)
    picture.pixels = pixels
    path = os.path.join(folder, "textures", name + ".png")
    picture.filepath_raw = path
    picture.file_format = "PNG"
    picture.save()
    return picture


def textured(folder):
    """A crate whose base colour and roughness come from textures in textures/, and a fully
    metallic pipe."""
    scene = fresh_scene()
    os.makedirs(os.path.join(folder, "textures"), exist_ok=True)
    colour = image(folder, "crate_basecolor",
                   lambda x, y: [0.6, 0.35, 0.1, 1] if (x // 4) % 2 else [0.8, 0.55, 0.25, 1])
    rough = image(folder, "crate_roughness", lambda x, y: [x / 31, x / 31, x / 31, 1])
    crate = box("Crate", (0, 0, 0.5))
    material = bpy.data.materials.new("CrateWood")
    material.use_nodes = True
    nodes = material.node_tree.nodes
    bsdf = nodes["Principled BSDF"]
    colour_node = nodes.new("ShaderNodeTexImage")
    colour_node.image = colour
    rough_node = nodes.new("ShaderNodeTexImage")
    rough_node.image = rough
    rough.colorspace_settings.name = "Non-Color"
    links = material.node_tree.links
    links.new(colour_node.outputs["Color"], bsdf.inputs["Base Color"])
    links.new(rough_node.outputs["Color"], bsdf.inputs["Roughness"])
    crate.data.materials.append(material)
    pipe = cylinder("Pipe", (1.2, 0, 0.4), (0, 90, 0), (0.3, 0.3, 1.0))
    pipe.data.materials.append(simple_material("Steel", (0.9, 0.9, 0.92), metallic=1.0,
                                               roughness=0.25))
    export(folder, "textured")
    return answers_at_rest(scene)


def windmill(folder):
    """A tower with a hub and four blades that spin: animation of nodes, no bones."""
    scene = fresh_scene()
    stone = simple_material("Stone", (0.6, 0.6, 0.55))
    tower = box("Tower", (0, 0, 1.0), scale=(0.6, 0.6, 2.0))
    tower.data.materials.append(stone)
    hub = cylinder("Hub", (0, -0.45, 1.7), (90, 0, 0), (0.2, 0.2, 0.2))
    hub.data.materials.append(stone)
    cloth = simple_material("Cloth", (0.9, 0.85, 0.7))
    for i in range(4):
        angle = math.radians(90 * i)
        blade = box(f"Blade{i + 1}", (2.5 * math.cos(angle), 2.5 * math.sin(angle), 0.5),
                    (0, 0, 90 * i), (4.0, 0.8, 0.1), parent=hub)
        blade.data.materials.append(cloth)
    hub.animation_data_create()
    spin = bpy.data.actions.new("Spin")
    hub.animation_data.action = spin
    for frame, turn in [(1, 0), (49, 180)]:
        hub.rotation_euler = (math.radians(90), 0, math.radians(turn))
        hub.keyframe_insert("rotation_euler", frame=frame)
    for curve in spin.fcurves:
        for point in curve.keyframe_points:
            point.interpolation = "LINEAR"
    export(folder, "windmill")
    return answers_per_take(scene, hub, [0, 24])


def main():
    args = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    if len(args) != 1:
        raise SystemExit(__doc__)
    folder = os.path.abspath(args[0])
    os.makedirs(folder, exist_ok=True)
    answers = {
        "parented_prop": parented_prop(folder),
        "instances": instances(folder),
        "skinned_figure": skinned_figure(folder),
        "textured": textured(folder),
        "windmill": windmill(folder),
        "axes": "Blender's own: x right, y forward, z up",
        "blender": bpy.app.version_string,
    }
    with open(os.path.join(folder, "blender-answers.json"), "w") as out:
        json.dump(answers, out, indent=1)
        out.write("\n")


main()
