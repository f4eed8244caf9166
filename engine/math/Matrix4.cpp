#include "math/Matrix4.h"

Matrix4 Multiply(const Matrix4& a, const Matrix4& b)
{
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

Matrix4 Transpose(const Matrix4& a)
{
    Matrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[j][i];
    return r;
}

Matrix4 InverseRigid(const Matrix4& a)
{
    Matrix4 r = Matrix4::Identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = a.m[j][i];
    for (int j = 0; j < 3; ++j) {
        float sum = 0.0f;
        for (int k = 0; k < 3; ++k)
            sum += a.m[3][k] * r.m[k][j];
        r.m[3][j] = -sum;
    }
    return r;
}
